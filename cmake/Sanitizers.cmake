# AddressSanitizer and UndefinedBehaviorSanitizer, every report fatal: what the fuzzers always run with and
# what the unit tests run under a second time (PUSHCLIENT_SANITIZE=ON, as scripts/common.sh builds them).
set(PUSHCLIENT_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

option(PUSHCLIENT_SANITIZE "Build everything with the sanitizers (native GCC or clang)" OFF)
if(PUSHCLIENT_SANITIZE)
  add_compile_options(${PUSHCLIENT_SANITIZERS})
  add_link_options(${PUSHCLIENT_SANITIZERS})
endif()
