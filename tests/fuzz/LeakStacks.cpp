// Linked into every fuzz target, so that the option holds wherever a target runs: ./dev fuzz,
// ./dev test over the seeds, or by hand.
//
// Leak stacks are unwound in full. The fast unwinder follows frame pointers and stops at the
// first library built without them (glib, under libgsf), so a leak inside libgsf showed only
// glib's allocator and the suppression naming libgsf never matched. Options given in
// LSAN_OPTIONS still take precedence.
#include <sanitizer/lsan_interface.h>

extern "C" const char *__lsan_default_options()
{
    return "fast_unwind_on_malloc=0";
}
