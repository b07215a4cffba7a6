# Compiler settings shared by every target of the project.
add_library(fw_common_cfg INTERFACE)
target_compile_features(fw_common_cfg INTERFACE cxx_std_17)
target_compile_options(fw_common_cfg INTERFACE -Wall -Wextra -Wpedantic)
target_compile_definitions(fw_common_cfg INTERFACE
  QT_NO_KEYWORDS
  QT_NO_CAST_TO_ASCII
  QT_DISABLE_DEPRECATED_BEFORE=0x060000)
if(FLASHWRIGHT_WERROR)
  target_compile_options(fw_common_cfg INTERFACE -Werror)
endif()
if(FLASHWRIGHT_SANITIZE)
  target_compile_options(fw_common_cfg INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(fw_common_cfg INTERFACE -fsanitize=address,undefined)
endif()

if(FLASHWRIGHT_FUZZ)
  # Every library is instrumented for the fuzzer; only the targets link its main.
  target_compile_options(fw_common_cfg INTERFACE -fsanitize=fuzzer-no-link,address,undefined
    -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(fw_common_cfg INTERFACE -fsanitize=address,undefined)
endif()

# Version constants, generated into the build folder.
configure_file(${CMAKE_SOURCE_DIR}/cmake/Version.h.in
  ${CMAKE_BINARY_DIR}/generated/FlashwrightVersion.h @ONLY)
target_include_directories(fw_common_cfg INTERFACE ${CMAKE_BINARY_DIR}/generated)

# What the program's own libraries and programs are held to, beyond the
# common settings: no text is taken from 8-bit strings without saying how.
# Linked privately, so that it stays out of the tests that use them.
add_library(fw_program_cfg INTERFACE)
target_compile_definitions(fw_program_cfg INTERFACE QT_NO_CAST_FROM_ASCII)
