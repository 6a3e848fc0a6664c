# Writes `out`: an add_test for each suite that `program --gtest_list_tests` names.
execute_process(COMMAND "${program}" --gtest_list_tests OUTPUT_VARIABLE listing
                RESULT_VARIABLE status TIMEOUT 60)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${program} --gtest_list_tests: ${status}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(tests "")
foreach(line IN LISTS lines)
  # Suites start the line ("Suite." or "Prefix/Suite.", a type parameter after it); their cases
  # are indented.
  if(line MATCHES "^([^ #][^ ]*)\\.( .*)?$")
    set(suite "${CMAKE_MATCH_1}")
    string(APPEND tests
           "add_test([==[${suite}]==] [==[${program}]==] [==[--gtest_filter=${suite}.*]==])\n"
           "set_tests_properties([==[${suite}]==] PROPERTIES TIMEOUT ${timeout}"
           " WORKING_DIRECTORY [==[${folder}]==])\n")
  endif()
endforeach()
if(tests STREQUAL "")
  message(FATAL_ERROR "${program} lists no test suites")
endif()
file(WRITE "${out}" "${tests}")
