# SPDX-License-Identifier: MIT
# Writes OUTPUT, a C++ file defining each web asset as a byte array and a string_view of it.
# In: WEB_DIR, OUTPUT. Bytes rather than string literals: the compiler limits neither.
set(assets "kPageTemplate=page.html" "kPlayerStyle=player.css" "kLzmaDecoderScript=lzma_decoder.js"
           "kUnpackScript=unpack.js" "kPlayerScript=player.js")
set(source "// Generated from web/ by embed_web_assets.cmake.\n#include \"kvq/export/web_assets.h\"\n\nnamespace {\n")
set(views "")
foreach(asset IN LISTS assets)
  string(REPLACE "=" ";" parts "${asset}")
  list(GET parts 0 name)
  list(GET parts 1 file)
  file(READ "${WEB_DIR}/${file}" hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){32})" "\\1\n" bytes "${bytes}")
  string(APPEND source "const unsigned char ${name}Bytes[] = {\n${bytes}};\n")
  string(APPEND views "const std::string_view ${name}(reinterpret_cast<const char*>(${name}Bytes), ${size});\n")
endforeach()
string(APPEND source "}  // namespace\n\n${views}")
file(WRITE "${OUTPUT}.new" "${source}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
