# Turns the files of a folder into a C++ source: a table of {path, MIME type, bytes}, so the
# tool carries them and reads nothing from disk at run time.
#   cmake -DINPUT_DIR=<folder> -DOUTPUT=<file.cpp> -P embed_files.cmake
file(GLOB files RELATIVE "${INPUT_DIR}" "${INPUT_DIR}/*")
list(SORT files)
set(arrays "")
set(entries "")
set(index 0)
foreach(name IN LISTS files)
  file(READ "${INPUT_DIR}/${name}" hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)"
         "\\1\n" bytes "${bytes}")
  get_filename_component(ext "${name}" LAST_EXT)
  if(ext STREQUAL ".html")
    set(type "text/html; charset=utf-8")
  elseif(ext STREQUAL ".js")
    set(type "text/javascript; charset=utf-8")
  elseif(ext STREQUAL ".css")
    set(type "text/css; charset=utf-8")
  elseif(ext STREQUAL ".svg")
    set(type "image/svg+xml")
  elseif(ext STREQUAL ".png")
    set(type "image/png")
  else()
    set(type "application/octet-stream")
  endif()
  string(APPEND arrays "const unsigned char kFile${index}[] = {\n${bytes}0};\n")
  string(APPEND entries "    {\"/${name}\", \"${type}\", kFile${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE "${OUTPUT}.tmp" "// Generated from the files of serve/web; do not edit.
#include \"serve/web_assets.h\"

namespace {

${arrays}
const WebAsset kAssets[] = {
${entries}};

}  // namespace

const WebAsset* FindWebAsset(std::string_view path) {
    for (const WebAsset& asset : kAssets) {
        if (path == asset.path) return &asset;
    }
    return nullptr;
}
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
