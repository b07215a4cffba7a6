#pragma once

#include "UserMessage.h"

// The program's own answerer of its messages: a standard message box with the
// style's icon and buttons, its top-left corner at the position asked for,
// kept wholly on the screen and above other windows. main() installs it; the
// tests install a scripted one instead.
class MessageBoxAnswerer : public MessageAnswerer
{
public:
    qint32 answer(const MessageRequest &request) override;
};
