# Writes a C++ source that holds the bytes of INPUT and hands them out through the function
# standin::ProgramResources(). Run as: cmake -DINPUT=file -DOUTPUT=file.cpp -P EmbedBytes.cmake
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
get_filename_component(name "${INPUT}" NAME)
file(WRITE "${OUTPUT}" "// Generated from ${name} by cmake/EmbedBytes.cmake.
#include \"platform/standin/module.h\"

namespace {

constexpr unsigned char kResources[] = {
    ${bytes}
};

} // namespace

std::span<const std::byte> standin::ProgramResources()
{
    return std::as_bytes(std::span(kResources));
}
")
