#pragma once
// Bounded waits that never spin and never freeze the window. On the
// user-interface thread a wait runs a local event loop that sleeps until the
// descriptor becomes readable or a precise single-shot timer reaches the
// bound; paint, timer and queued events are handled the moment they arrive
// while operator input is held back, so a handler's sequence stays exactly as
// written. On any other thread a wait is a plain poll().
#include <cstdint>

// Waits until fd is readable or timeout_ms has passed. Returns true when
// readable (or on an error condition that a read will report). fd -1 waits
// for the time alone.
bool wait_readable(int fd, uint32_t timeout_ms);

// Sleeps for ms milliseconds the same way.
void pause_ms(uint32_t ms);

// poll() on the calling thread without running any event: nothing else can
// run while it sleeps. For short waits on a descriptor that nested code could
// otherwise close or reuse.
bool poll_readable(int fd, uint32_t timeout_ms);

// Handles pending non-input events if called on the user-interface thread.
void pump_ui_events();

// Nesting depth of waits on the user-interface thread (0 when none runs).
int ui_wait_depth();

// True on the application's user-interface thread.
bool on_ui_thread();

// Adds a function called each time the outermost wait on the user-interface
// thread ends: the exchange queue runs what was requested during the wait,
// pages closed during it are freed.
void add_wait_end_hook(void (*hook)());
