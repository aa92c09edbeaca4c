#pragma once

#include <string>

#include "channels/OwnChannels.h"

namespace wylo {
class ChannelSession;
}

namespace wylo::tool {

// What check and render are given to read: the address of a channel
// directory, the address of one channel (a photo feed or a control file) or
// the path of a folder of photos. One channel is read as Wylo reads a
// channel the user added: as an own channel of the session.

// Why text names nothing the tool reads; empty for an http or https address
// or the path of an existing folder.
std::string GivenChannelProblem(const std::string& text);

// The folder at path (relative to the working folder) as the own channel Wylo
// makes when the user adds it.
OwnChannel FolderChannel(const std::string& path);

struct GivenAddress {
    // The address lists channels: read it as the directory, as before.
    bool directory = true;
    // Otherwise the channel the address is to Wylo, and what it holds in
    // words ("a photo feed", "a control file").
    OwnChannel own;
    std::string holds;
};

// Fetches the address session was opened on as its directory and tells what
// it is. A document that lists channels the way the directory reads them is
// a directory; so is one that is neither a control file nor a feed, so that
// the directory's own reading says what is wrong with it. Throws Error when
// the address cannot be downloaded.
GivenAddress FetchGivenAddress(ChannelSession& session);

// Makes own the session's only own channel, read as the program reads it
// (a folder all at once), and makes its control file in the session's cache
// at kOwnChannelBase. False, with the session's LastDownloadError saying
// why, when none could be made.
bool MakeOwnChannel(ChannelSession& session, const OwnChannel& own);

}  // namespace wylo::tool
