# One build stamp shared by everything the build produces (bundle version,
# the helper's launchd environment, health replies). Override with
# -DVELKORA_BUILD_STAMP=... for reproducible builds.
if(NOT VELKORA_BUILD_STAMP)
  string(TIMESTAMP VELKORA_BUILD_STAMP "%Y%m%d%H%M" UTC)
endif()
set(VELKORA_SHORT_VERSION "${PROJECT_VERSION}")
