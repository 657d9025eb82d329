#include "radio/channel_names.h"

const char* const channelNames[kChannelCount] = {"CF0", "CF1", "CF2", "CF3", "CF4",
                                                 "CF5", "CF6", "CF7", "CF8", "CF9"};
