// Message boxes: the one way the product talks to the user outside its editor.
#pragma once

namespace Platform {

// The Win32 MB_* styles and ID* answers are the shared vocabulary.
enum MessageStyle : unsigned {
    kMbOk = 0x0,
    kMbYesNo = 0x4,
    kMbIconError = 0x10,
    kMbIconQuestion = 0x20,
    kMbTaskModal = 0x2000,
};

enum MessageAnswer : int {
    kIdOk = 1,
    kIdCancel = 2,
    kIdYes = 6,
    kIdNo = 7,
};

/// Something that can show a modal message box and report the button pressed.
class IDialogs {
public:
    virtual ~IDialogs() = default;
    virtual int messageBox(const char* text, const char* caption, unsigned style) = 0;
};

/// Shows a modal message box without owner window. [GUI thread]
int messageBox(const char* text, const char* caption, unsigned style);

/// Installs a replacement (tests); null restores the platform's own. Returns the previous one.
IDialogs* setDialogs(IDialogs* dialogs);

}  // namespace Platform
