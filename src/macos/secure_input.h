// Secure event input: while some application has it on, keystrokes are
// hidden from event taps and other applications' text must not be read.
#pragma once

namespace frontmost::platform {

// Whether secure event input is on now. The platform entry is looked up once
// per process, on first use from any thread; without it the answer is false.
bool secure_input();

}  // namespace frontmost::platform
