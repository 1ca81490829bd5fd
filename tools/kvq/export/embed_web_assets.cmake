# SPDX-License-Identifier: MIT
# Writes OUTPUT, a C++ file defining each web asset as a byte array and a string_view of it.
# In: WEB_DIR, OUTPUT. Bytes rather than string literals: the compiler limits neither.
# An asset of several files (name=a.js,b.js) is those files one after another, in that order.
set(assets "kPageTemplate=page.html" "kPlayerStyle=player.css" "kLzmaDecoderScript=lzma_decoder.js"
           "kUnpackScript=unpack.js" "kBootScript=boot.js"
           "kPlayerScript=player/cell_painter.js,player/picture_shrink.js,player/text_canvas.js,player/frame_store.js,player/sound_clock.js,player/player.js,player/controls.js,player/page_start.js")
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
    # A comment after the code on its line, where the code ends in punctuation (so that no string
    # is cut: none of them holds that punctuation followed by "//"), and empty lines.
    string(REGEX REPLACE "([;{},()])[ \t]+//[^\n]*" "\\1" text "${text}")
    string(REGEX REPLACE "\n\n+" "\n" text "${text}")
    # Private names (#name) are each class's own, never reached by a string: shorter ones are the
    # same program. Every name declared at a line's start becomes #$ and a letter or two.
    string(REGEX MATCHALL "\n(static |get |set |async )*#[A-Za-z_][A-Za-z0-9_]*" declared "\n${text}")
    set(names "")
    foreach(declaration IN LISTS declared)
      string(REGEX MATCH "#[A-Za-z_][A-Za-z0-9_]*" private_name "${declaration}")
      list(APPEND names "${private_name}")
    endforeach()
    list(REMOVE_DUPLICATES names)
    set(letters a b c d e f g h i j k l m n o p q r s t u v w x y z A B C D E F G H I J K L M N O P Q R S T U V W X Y Z)
    set(count 0)
    foreach(private_name IN LISTS names)
      math(EXPR first "${count} % 52")
      math(EXPR second "${count} / 52")
      list(GET letters ${first} short)
      if(second GREATER 0)
        math(EXPR second "${second} - 1")
        list(GET letters ${second} prefix)
        set(short "${prefix}${short}")
      endif()
      string(REGEX REPLACE "${private_name}([^A-Za-z0-9_$])" "#$${short}\\1" text "${text}")
      math(EXPR count "${count} + 1")
    endforeach()
    # Lines joined where no semicolon could be taken to end a statement: after an opening bracket,
    # a comma or a semicolon, and before a closing bracket.
    string(REGEX REPLACE "([;{,([])\n" "\\1" text "${text}")
    string(REGEX REPLACE "\n([]})])" "\\1" text "${text}")
    # Spaces around the operators that no string or regular expression of the page's holds
    # (web/tests/shared.test.js makes sure of that).
    foreach(operator IN ITEMS "=" "===" "!==" "&&" "||" "=>")
      string(REPLACE " ${operator} " "${operator}" text "${text}")
    endforeach()
    string(REPLACE ") {" "){" text "${text}")
  elseif(files MATCHES "[.]css$")
    string(REGEX REPLACE "[ \t\n]*([{};,])[ \t\n]*" "\\1" text "${text}")
    string(REPLACE ": " ":" text "${text}")
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
