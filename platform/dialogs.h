// Message boxes: the one way the product talks to the user outside its editor.
//
// Contract: every message box and question of the product goes through here.
// A box is modal and has no owner window; the answer is the button pressed.
// Tests install a stand-in that records and answers, so nothing ever waits on
// a real window. [GUI thread]
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

class IDialogs {
public:
    virtual ~IDialogs() = default;
    virtual int messageBox(const char* text, const char* caption, unsigned style) = 0;
};

/// Shows a modal message box without owner window and returns the answer.
int messageBox(const char* text, const char* caption, unsigned style);

/// Installs a stand-in; null restores the platform's own. Returns the previous stand-in.
IDialogs* setDialogs(IDialogs* dialogs);
IDialogs& systemDialogs();

}  // namespace Platform
