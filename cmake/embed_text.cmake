# Turns a text file into a C++ function that returns its bytes, unchanged, so
# that a page's style sheet and script can live in files of their own.
#   cmake -DINPUT=<file> -DOUTPUT=<.cpp> -DFUNCTION=<name> -DHEADER=<include> -P embed_text.cmake
# The function is declared in HEADER as  std::string_view FUNCTION();  in
# namespace melkrin.
cmake_minimum_required(VERSION 3.20)
foreach(arg INPUT OUTPUT FUNCTION HEADER)
  if(NOT DEFINED ${arg})
    message(FATAL_ERROR "embed_text.cmake: ${arg} not given")
  endif()
endforeach()
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
# Sixteen bytes a line; a zero ends the array, so an empty file still gives one.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 line)
string(REGEX REPLACE "(${line})" "\\1\n    " bytes "${bytes}")
file(RELATIVE_PATH shown "${CMAKE_CURRENT_LIST_DIR}/.." "${INPUT}")
set(text "// Made by cmake/embed_text.cmake from ${shown}: edit that file, not this one.
#include \"${HEADER}\"

namespace melkrin {
namespace {
const unsigned char kBytes[] = {
    ${bytes}0x00};
}  // namespace

std::string_view ${FUNCTION}() { return {reinterpret_cast<const char*>(kBytes), ${size}}; }

}  // namespace melkrin
")
file(WRITE "${OUTPUT}.new" "${text}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
