#pragma once

#include "ScreenshotCatalog.h"

namespace screenshots {

// One function per view family; each adds that family's pages.
void addKitShots(ScreenshotCatalog& catalog);
void addBatteryShots(ScreenshotCatalog& catalog);
void addWindowShots(ScreenshotCatalog& catalog);
void addEntryShots(ScreenshotCatalog& catalog);
void addMenuBarShots(ScreenshotCatalog& catalog);
void addScheduleShots(ScreenshotCatalog& catalog);
void addSettingsShots(ScreenshotCatalog& catalog);
void addOverlayShots(ScreenshotCatalog& catalog);
void addMenuBarSettingsShots(ScreenshotCatalog& catalog);

}  // namespace screenshots
