#pragma once
// Lumivo's resource tables: commands, menus, toolbars and strings.
#include "framework/Resources.h"
#include "res/CommandIds.h"

const SResourceSet& LumivoResources();
