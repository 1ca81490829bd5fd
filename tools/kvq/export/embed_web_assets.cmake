# SPDX-License-Identifier: MIT
# Writes OUTPUT, a C++ file defining each web asset as a byte array and a string_view of it.
# In: WEB_DIR, OUTPUT. Bytes rather than string literals: the compiler limits neither.
# An asset of several files (name=a.js,b.js) is those files one after another, in that order.
set(assets "kPageTemplate=page.html" "kPlayerStyle=player.css" "kLzmaDecoderScript=lzma_decoder.js"
           "kUnpackScript=unpack.js" "kBootScript=boot.js"
           "kPlayerScript=player/ink_painter.js,player/cell_painter.js,player/picture_shrink.js,player/text_canvas.js,player/frame_store.js,player/sound_clock.js,player/player.js,player/controls.js,player/page_start.js")
set(source "// Generated from web/ by embed_web_assets.cmake.\n#include \"kvq/export/web_assets.h\"\n\nnamespace {\n")
set(views "")
foreach(asset IN LISTS assets)
  string(REPLACE "=" ";" parts "${asset}")
  list(GET parts 0 name)
  list(GET parts 1 files)
  string(REPLACE "," ";" files "${files}")
  set(text "")
  foreach(file IN LISTS files)
    file(READ "${WEB_DIR}/${file}" part)
    string(APPEND text "${part}")
  endforeach()
  if(files MATCHES "[.]js$")
    # Every page carries these: their whole-line comments and indentation stay in web/ for the
    # reader, not in each page. Nothing in them spans lines inside a string, so this is safe.
    string(REGEX REPLACE "\n[ \t]*//[^\n]*" "" text "\n${text}")
    string(REGEX REPLACE "\n[ \t]*/[*][^\n]*[*]/[ \t]*" "" text "${text}")
    string(REGEX REPLACE "\n[ \t]+" "\n" text "${text}")
    string(REGEX REPLACE "^\n" "" text "${text}")
  endif()
  file(WRITE "${OUTPUT}.asset" "${text}")
  file(READ "${OUTPUT}.asset" hex HEX)
  file(REMOVE "${OUTPUT}.asset")
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
