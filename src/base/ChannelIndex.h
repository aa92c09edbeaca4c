#pragma once

namespace wylo {

// The user's own channels follow every channel a directory can hold in the
// channel list's index space (a directory is at most 16 MB, too small for
// this many entries), so their indexes never move when the directory grows
// or shrinks. Own channel n is at kOwnChannelBase + n.
inline constexpr int kOwnChannelBase = 1 << 24;

}  // namespace wylo
