# Code signing of what the build produces.
#
# VELKORA_TEAM_ID is the one place the maker's signing team is set: the
# development identity is issued for it, and the daemon's client check and the
# application's own checks get it through the VelkoraSigningTeam target.
set(VELKORA_TEAM_ID "VLKR7Q2M9X" CACHE STRING "Code-signing team identifier (ten upper-case letters and digits)")
if(NOT VELKORA_TEAM_ID MATCHES "^[A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9]$")
  message(FATAL_ERROR "VELKORA_TEAM_ID must be ten upper-case letters and digits, not \"${VELKORA_TEAM_ID}\"")
endif()

# The development identity (anchor and team key) lives in the build tree; it is
# made on the first build and reused by every later one.
set(VELKORA_SIGNING_IDENTITY_DIR "${CMAKE_BINARY_DIR}/signing" CACHE INTERNAL "Development signing identity")

# velkora_sign(<target> IDENTIFIER <identifier> [PATH <path>])
#
# Signs <target>'s output with the development identity after every build of
# it, with the given code identifier. With PATH, signs that path instead (a
# bundle folder that <target>'s own post-build steps assemble); call it after
# the steps that fill the bundle, since post-build steps run in order.
function(velkora_sign target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "IDENTIFIER;PATH" "")
  if(NOT arg_IDENTIFIER)
    message(FATAL_ERROR "velkora_sign(${target}): IDENTIFIER is required")
  endif()
  if(arg_PATH)
    set(path "${arg_PATH}")
  else()
    set(path "$<TARGET_FILE:${target}>")
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND "$<TARGET_FILE:codesign>" --sign "${VELKORA_SIGNING_IDENTITY_DIR}"
            --identifier "${arg_IDENTIFIER}" "${path}"
    COMMENT "Signing ${path} as ${arg_IDENTIFIER}"
    VERBATIM)
  add_dependencies(${target} velkora_signing_identity codesign)
endfunction()
