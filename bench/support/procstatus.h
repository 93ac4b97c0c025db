#pragma once

// A field of /proc/self/status in kB ("VmHWM" for the peak resident size, "VmRSS"), -1 when
// it cannot be read.
long statusKb(const char* field);
