# velkora_add_page_end_to_end_tests(<name> SOURCES <source>... ENVIRONMENT <variable=value>...)
#
# A test program of the application's pages end to end: the model and the
# pages over the real daemon, each test in a signed copy of the built bundle
# (BundledTestRun); the program links its main function (its own source, or
# BundledQApplicationTestMain). Its tests run with ENVIRONMENT.
function(velkora_add_page_end_to_end_tests name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;ENVIRONMENT")
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE
    BundledTestRun WidgetTestRun VelkoraViews VelkoraModel VelkoraAppServices VelkoraCore PlatformServiceManagement
    PlatformSecurity PlatformFoundation TestSupport Qt6::Widgets Qt6::Test GTest::gtest)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 ENVIRONMENT "${arg_ENVIRONMENT}")
endfunction()
