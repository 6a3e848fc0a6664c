# The build against the real host SDK: QUORV_MAXSDK_DIR names the SDK's "maxsdk" folder (the one
# holding include/ and lib/). Windows and Visual Studio 2022 17.8 or later only. Defines the
# targets host_values (value types: geom, core) and host_sdk (everything the plug-in calls).

# The SDK itself first, so that a machine without it hears exactly that.
# Forward slashes and no trailing one, whatever the environment variable holds.
file(TO_CMAKE_PATH "${QUORV_MAXSDK_DIR}" sdk_dir)
string(REGEX REPLACE "/+$" "" sdk_dir "${sdk_dir}")
set(sdk_include ${sdk_dir}/include)
set(sdk_lib ${sdk_dir}/lib/x64/Release)
if(NOT EXISTS ${sdk_include}/max.h OR NOT EXISTS ${sdk_include}/plugapi.h)
  message(FATAL_ERROR
    "QUORV_MAXSDK_DIR is '${QUORV_MAXSDK_DIR}', which is not the host SDK's maxsdk folder: "
    "${sdk_include}/max.h and plugapi.h are missing. Install the SDK (2025) and set "
    "QUORV_MAXSDK_DIR to its maxsdk folder, or leave it empty to build against the stand-in in "
    "host/ (the presets release, debug, windows).")
endif()
set(sdk_libraries core geom gfx mesh maxutil paramblk2 bmm)
foreach(lib ${sdk_libraries})
  if(NOT EXISTS ${sdk_lib}/${lib}.lib)
    message(FATAL_ERROR "The host SDK at '${sdk_dir}' has no ${sdk_lib}/${lib}.lib: "
                        "QUORV_MAXSDK_DIR must name the maxsdk folder of a complete SDK.")
  endif()
endforeach()

# The module reports the SDK version it was written for, 0x69784200 (release 27000, API 66,
# revision 0). That value is an inference: compare it with the SDK's own and say what differs.
function(quorv_read_sdk_define name files out)
  set(value ${name})
  # Follow a name defined as another name (MAX_RELEASE -> MAX_RELEASE_R27 -> 27000).
  foreach(step RANGE 4)
    if(value MATCHES "^(0[xX][0-9a-fA-F]+|[0-9]+)[uUlL]*$")
      set(${out} ${CMAKE_MATCH_1} PARENT_SCOPE)
      return()
    endif()
    if(NOT value MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
      break()
    endif()
    set(found "")
    foreach(file ${files})
      file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*define[ \t]+${value}[ \t]")
      if(lines)
        list(GET lines 0 line)
        string(REGEX REPLACE "^[ \t]*#[ \t]*define[ \t]+${value}[ \t]+\\(?[ \t]*([^ \t/()]+).*$"
                             "\\1" found "${line}")
        break()
      endif()
    endforeach()
    if(found STREQUAL "")
      break()
    endif()
    set(value ${found})
  endforeach()
  set(${out} "" PARENT_SCOPE)
endfunction()

set(version_files ${sdk_include}/plugapi.h)
if(EXISTS ${sdk_include}/maxversion.h)
  list(APPEND version_files ${sdk_include}/maxversion.h)
endif()
quorv_read_sdk_define(MAX_RELEASE "${version_files}" sdk_release)
quorv_read_sdk_define(MAX_API_NUM "${version_files}" sdk_api)
quorv_read_sdk_define(MAX_SDK_REV "${version_files}" sdk_rev)
set(module_version "0x69784200 (release 27000, API 66, SDK revision 0)")
if(sdk_release STREQUAL "" OR sdk_api STREQUAL "" OR sdk_rev STREQUAL "")
  message(WARNING
    "Could not read MAX_RELEASE, MAX_API_NUM and MAX_SDK_REV from ${sdk_include}/plugapi.h. "
    "The module's LibVersion reports ${module_version}; check by hand that the SDK's "
    "VERSION_3DSMAX is the same, or the host may refuse to load the module.")
else()
  math(EXPR sdk_version "(${sdk_release} << 16) | (${sdk_api} << 8) | ${sdk_rev}"
       OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR sdk_release_dec "${sdk_release}")
  math(EXPR sdk_api_dec "${sdk_api}")
  math(EXPR sdk_rev_dec "${sdk_rev}")
  set(sdk_text "${sdk_version} (release ${sdk_release_dec}, API ${sdk_api_dec}, SDK revision ${sdk_rev_dec})")
  if(NOT sdk_version STREQUAL "0x69784200")
    set(differs "")
    if(NOT sdk_release_dec EQUAL 27000)
      list(APPEND differs "release ${sdk_release_dec}, not 27000")
    endif()
    if(NOT sdk_api_dec EQUAL 66)
      list(APPEND differs "API ${sdk_api_dec}, not 66")
    endif()
    if(NOT sdk_rev_dec EQUAL 0)
      list(APPEND differs "SDK revision ${sdk_rev_dec}, not 0")
    endif()
    string(REPLACE ";" "; " differs "${differs}")
    message(WARNING
      "The host SDK reports VERSION_3DSMAX ${sdk_text}; the module's LibVersion reports "
      "${module_version}. What differs: ${differs}. A host checks this number when it loads a "
      "module: build against the SDK of the host release you target, and if that is the "
      "intended one, the module's version (plugin/exports.cpp) is the one to correct.")
  else()
    message(STATUS "Host SDK: VERSION_3DSMAX ${sdk_text}, as the module reports")
  endif()
endif()

if(NOT MSVC OR MSVC_VERSION LESS 1938)
  message(FATAL_ERROR
    "The build against the host SDK needs Visual Studio 2022 17.8 or later (cl 19.38+) for "
    "64-bit Windows; this is ${CMAKE_CXX_COMPILER_ID} ${CMAKE_CXX_COMPILER_VERSION}. Configure "
    "from an \"x64 Native Tools Command Prompt for VS 2022\".")
endif()
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
  message(FATAL_ERROR "The host is 64-bit: configure from an x64 (not x86) developer prompt.")
endif()

# The SDK ships Release import libraries built against the release DLL runtime only.
set(CMAKE_MSVC_RUNTIME_LIBRARY MultiThreadedDLL)

add_library(host_values INTERFACE)
target_include_directories(host_values SYSTEM INTERFACE ${sdk_include})
target_link_libraries(host_values INTERFACE ${sdk_lib}/geom.lib ${sdk_lib}/core.lib)
# As the SDK's own property sheets: Unicode, and no min/max macros from <windows.h>.
target_compile_definitions(host_values INTERFACE UNICODE _UNICODE NOMINMAX)
add_library(host_sdk INTERFACE)
target_compile_definitions(host_sdk INTERFACE QUORV_MAXSDK)
set(sdk_import_libs "")
foreach(lib ${sdk_libraries})
  list(APPEND sdk_import_libs ${sdk_lib}/${lib}.lib)
endforeach()
target_link_libraries(host_sdk INTERFACE host_values ${sdk_import_libs} comctl32 shell32 user32)
