// Every gfx test runs after the toolkit start-up (GDI+, default font, control strip, class).
#include <gtest/gtest.h>

#include "GfxTestSupport.h"
#include "ui/gfx/Toolkit.h"

namespace {

int editMenuBuilds = 0;
void CountEditMenuBuild() { ++editMenuBuilds; }

struct ToolkitEnvironment : testing::Environment {
  void SetUp() override { startupResult = gfx::toolkit_startup(CountEditMenuBuild, gfxtest::AheadSources()); }
  static bool startupResult;
};
bool ToolkitEnvironment::startupResult = false;

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new ToolkitEnvironment);

}  // namespace

bool GfxStartupResult() { return ToolkitEnvironment::startupResult; }
int GfxEditMenuBuilds() { return editMenuBuilds; }
