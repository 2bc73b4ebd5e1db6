#pragma once

#include <xcb/xcb.h>

#include <string>

// Another client of the same X server, as a desktop or the simulator's window system would be: it
// holds keys, presses them as the keyboard would (through the XTEST extension), finds other programs'
// windows and gives them the input focus.
class OtherXClient {
public:
    OtherXClient();
    ~OtherXClient();
    OtherXClient(const OtherXClient&) = delete;
    OtherXClient& operator=(const OtherXClient&) = delete;

    bool Connected() const;

    // Grabs Ctrl+Alt with the letter on the root window, as a desktop's own shortcut would; true where
    // the server let it.
    bool GrabControlAlt(char letter);
    // Ctrl, Alt and the letter pressed and released, or held down and let go later.
    void PressControlAlt(char letter);
    void HoldControlAlt(char letter);
    void ReleaseControlAlt(char letter);

    // A viewable top-level window whose WM_CLASS instance is `instance`; 0 while there is none.
    xcb_window_t FindViewable(const std::string& instance);
    void Focus(xcb_window_t window);
    xcb_window_t FocusedWindow();

private:
    xcb_window_t Root() const;
    xcb_keycode_t Keycode(unsigned keysym) const;
    // Ctrl, Alt and the letter in the order they are pressed.
    void ControlAltKeys(char letter, xcb_keycode_t (&keys)[3]) const;
    std::string ClassInstance(xcb_window_t window);
    bool Viewable(xcb_window_t window);
    void FakeInput(std::uint8_t type, xcb_keycode_t key);

    xcb_connection_t* connection;
};
