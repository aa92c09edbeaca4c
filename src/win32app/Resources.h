#pragma once

// Resource numbers, shared by the resource script and the program.
#define IDI_WYLO 1
#define IDI_TAB_WELCOME 101
#define IDI_TAB_CHANNELS 102
#define IDI_TAB_IMAGES 103
#define IDI_TAB_NEWS 104
#define IDI_TAB_SETTINGS 105
#define IDI_REFRESH 110
#define IDI_SUBSCRIBE 111
#define IDI_TERMS 112

#ifndef RC_INVOKED
namespace wylo::win {
constexpr int kProgramIconId = IDI_WYLO;
// The page tabs' pictures by picture number: 0 welcome, 1 channel list,
// 2 images, 3 news, 4 settings.
constexpr int kTabIconIds[] = {IDI_TAB_WELCOME, IDI_TAB_CHANNELS, IDI_TAB_IMAGES, IDI_TAB_NEWS,
                               IDI_TAB_SETTINGS};
constexpr int kRefreshIconId = IDI_REFRESH;
constexpr int kSubscribeIconId = IDI_SUBSCRIBE;
constexpr int kTermsIconId = IDI_TERMS;
}  // namespace wylo::win
#endif
