# One CTest test per GoogleTest suite of a program, listed after each build as
# gtest_discover_tests lists cases. For programs that link the image library: each of their
# processes starts by loading OpenImageIO's few hundred shared libraries (about half a second,
# more under the sanitizers), which a test per case would pay hundreds of times.
function(quorv_discover_suites target timeout)
  set(listed "${CMAKE_CURRENT_BINARY_DIR}/${target}_suites.cmake")
  add_custom_command(
    TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} "-Dprogram=$<TARGET_FILE:${target}>" "-Dout=${listed}"
            "-Dtimeout=${timeout}" "-Dfolder=${CMAKE_CURRENT_BINARY_DIR}"
            -P "${PROJECT_SOURCE_DIR}/cmake/gtest_suites_list.cmake"
    BYPRODUCTS "${listed}"
    VERBATIM)
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${listed}")
endfunction()
