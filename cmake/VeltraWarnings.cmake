# Warning and sanitizer flags for the project's own targets only; third-party headers come in
# as system includes and are not held to them.
add_library(veltra_flags INTERFACE)
target_compile_options(veltra_flags INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
if(VELTRA_WERROR)
    target_compile_options(veltra_flags INTERFACE -Werror)
endif()

if(VELTRA_SANITIZE)
    set(_san -fsanitize=${VELTRA_SANITIZE} -fno-omit-frame-pointer)
    if(VELTRA_SANITIZE MATCHES "undefined")
        list(APPEND _san -fno-sanitize-recover=undefined)
    endif()
    add_compile_options(${_san})
    add_link_options(${_san})
endif()
