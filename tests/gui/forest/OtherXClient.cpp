#include "tests/gui/forest/OtherXClient.h"

#include <xcb/xcbext.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr unsigned keysymControlL = 0xFFE3;
constexpr unsigned keysymAltL = 0xFFE9;
constexpr std::uint16_t controlAlt = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;

}  // namespace

OtherXClient::OtherXClient() : connection(xcb_connect(nullptr, nullptr)) {}

OtherXClient::~OtherXClient() {
    xcb_disconnect(connection);
}

bool OtherXClient::Connected() const {
    return xcb_connection_has_error(connection) == 0;
}

xcb_window_t OtherXClient::Root() const {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

xcb_keycode_t OtherXClient::Keycode(unsigned keysym) const {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* mapping = xcb_get_keyboard_mapping_reply(
        connection,
        xcb_get_keyboard_mapping(connection, setup->min_keycode, static_cast<std::uint8_t>(count)), nullptr);
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping);
    xcb_keycode_t found = 0;
    for (int i = 0; i < count * mapping->keysyms_per_keycode && found == 0; ++i) {
        if (keysyms[i] == keysym) {
            found = static_cast<xcb_keycode_t>(setup->min_keycode + i / mapping->keysyms_per_keycode);
        }
    }
    std::free(mapping);
    return found;
}

bool OtherXClient::GrabControlAlt(char letter) {
    const xcb_void_cookie_t cookie =
        xcb_grab_key_checked(connection, 1, Root(), controlAlt, Keycode(static_cast<unsigned>(letter)),
                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    xcb_generic_error_t* error = xcb_request_check(connection, cookie);
    std::free(error);
    return error == nullptr;
}

void OtherXClient::ControlAltKeys(char letter, xcb_keycode_t (&keys)[3]) const {
    keys[0] = Keycode(keysymControlL);
    keys[1] = Keycode(keysymAltL);
    keys[2] = Keycode(static_cast<unsigned>(letter));
}

void OtherXClient::PressControlAlt(char letter) {
    HoldControlAlt(letter);
    ReleaseControlAlt(letter);
}

void OtherXClient::HoldControlAlt(char letter) {
    xcb_keycode_t keys[3];
    ControlAltKeys(letter, keys);
    for (const xcb_keycode_t key : keys) {
        FakeInput(XCB_KEY_PRESS, key);
    }
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

void OtherXClient::ReleaseControlAlt(char letter) {
    xcb_keycode_t keys[3];
    ControlAltKeys(letter, keys);
    for (int i = 2; i >= 0; --i) {
        FakeInput(XCB_KEY_RELEASE, keys[i]);
    }
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

// XTEST's FakeInput (minor opcode 2): type, detail, 2 unused, time, root, 8 unused, root x and y,
// 7 unused, device; after the 4 bytes of request header that the library fills in.
void OtherXClient::FakeInput(std::uint8_t type, xcb_keycode_t key) {
    static xcb_extension_t xtest = {"XTEST", 0};
    static const xcb_protocol_request_t request = {1, &xtest, 2, 1};
    std::uint8_t bytes[36] = {};
    bytes[4] = type;
    bytes[5] = key;
    struct iovec parts[3];
    parts[2].iov_base = bytes;
    parts[2].iov_len = sizeof bytes;
    xcb_send_request(connection, 0, parts + 2, &request);
}

// WM_CLASS holds the instance and the class, each ended by a zero byte.
std::string OtherXClient::ClassInstance(xcb_window_t window) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256),
        nullptr);
    if (reply == nullptr) {
        return {};
    }
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply));
    const std::string instance(
        bytes, strnlen(bytes, static_cast<std::size_t>(xcb_get_property_value_length(reply))));
    std::free(reply);
    return instance;
}

bool OtherXClient::Viewable(xcb_window_t window) {
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
    const bool viewable = attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    return viewable;
}

xcb_window_t OtherXClient::FindViewable(const std::string& instance) {
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(connection, xcb_query_tree(connection, Root()), nullptr);
    if (tree == nullptr) {
        return 0;
    }
    const xcb_window_t* children = xcb_query_tree_children(tree);
    xcb_window_t found = 0;
    for (int i = 0; i < xcb_query_tree_children_length(tree) && found == 0; ++i) {
        if (ClassInstance(children[i]) == instance && Viewable(children[i])) {
            found = children[i];
        }
    }
    std::free(tree);
    return found;
}

void OtherXClient::Focus(xcb_window_t window) {
    xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

xcb_window_t OtherXClient::FocusedWindow() {
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
    const xcb_window_t focus = reply == nullptr ? 0 : reply->focus;
    std::free(reply);
    return focus;
}
