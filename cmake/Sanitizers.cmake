# SPDX-License-Identifier: GPL-3.0-or-later
# QUILLWAVE_SANITIZE: "" (none), "address" (AddressSanitizer + UndefinedBehaviorSanitizer) or
# "thread" (ThreadSanitizer). Native builds only.
set(QUILLWAVE_SANITIZE "" CACHE STRING "Sanitizer build: '', 'address' or 'thread'")
if(QUILLWAVE_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
elseif(QUILLWAVE_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(NOT QUILLWAVE_SANITIZE STREQUAL "")
    message(FATAL_ERROR "QUILLWAVE_SANITIZE must be '', 'address' or 'thread'")
endif()
