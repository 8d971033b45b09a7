#pragma once

#include <string>
#include <vector>

// A person's pointer and keyboard on an X display: input made by the X
// server's XTest extension, on a connection of its own, so it reaches
// whatever window is under the pointer or has the keyboard, as a real
// device's does (no event is sent to a chosen window). The server takes each
// call at once; the windows' owners see the events when they next read
// their connection. Also reads what the server shows: the stacking of the
// top-level windows and the keyboard focus.
class XTestInput {
public:
    // On `display` (DISPLAY when empty).
    explicit XTestInput(const std::string& display = {});
    ~XTestInput();
    XTestInput(const XTestInput&) = delete;
    XTestInput& operator=(const XTestInput&) = delete;

    // Whether the display is open and offers XTest.
    bool isAvailable() const { return available_; }

    void moveTo(int x, int y);
    void press(unsigned int button = 1);
    void release(unsigned int button = 1);
    // Moves to (x, y), then presses and releases the button there.
    void click(int x, int y, unsigned int button = 1);
    // Presses and releases the key named `keysym` ("Return", "Escape").
    void tap(const char* keysym);

    // Gives the keyboard to `window`, as another client may.
    void giveFocus(unsigned long window);

    // The root window's children, bottom first.
    std::vector<unsigned long> stacking() const;
    // Where `window` stands in stacking(); -1 when it is not a child of the root.
    int stackingIndex(unsigned long window) const;
    // The top-level window under the pointer (a child of the root), or 0.
    unsigned long windowUnderPointer() const;
    // The window that has the keyboard.
    unsigned long focus() const;

private:
    void flush();

    struct _XDisplay* display_ = nullptr;
    bool available_ = false;
};
