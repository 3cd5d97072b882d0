# Read by ctest in a sanitizer build: the runtime options every test program runs with.
# Any report fails its test: ASan and UBSan stop the program, LeakSanitizer sets its exit code.
set(ENV{ASAN_OPTIONS} "detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1")
set(ENV{UBSAN_OPTIONS} "print_stacktrace=1:halt_on_error=1")
