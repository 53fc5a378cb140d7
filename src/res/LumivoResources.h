#pragma once
// Lumivo's resource tables: commands, menus, toolbars and strings.
#include "framework/Resources.h"
#include "res/CommandIds.h"

const SResourceSet& LumivoResources();

// The command's row, or nullptr when nId is no command.
const SCommandInfo* FindCommandInfo(int nId);

// The string resource nId: a string of the table, else the prompt of command nId; nullptr when neither
// exists.
const char* LoadResString(int nId);
