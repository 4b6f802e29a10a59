#pragma once
// Bounded waits that never spin and never freeze the window. On the
// user-interface thread every wait is cut into short poll() slices; between
// slices pending paint and timer events are handled while operator input is
// held back, so a handler's sequence stays exactly as written. On any other
// thread the wait is a plain poll().
#include <cstdint>

// Waits until fd is readable or timeout_ms has passed. Returns true when
// readable (or on an error condition that a read will report).
bool wait_readable(int fd, uint32_t timeout_ms);

// Sleeps for ms milliseconds the same way.
void pause_ms(uint32_t ms);

// Handles pending non-input events if called on the user-interface thread.
void pump_ui_events();

// Nesting depth of waits on the user-interface thread (0 when none runs).
int ui_wait_depth();
