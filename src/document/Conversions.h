#pragma once
// The colour-depth conversions of the Color menu: one table row per command, one handler for all.
#include "image/DepthConversions.h"

class CLumivoDoc;

// Gives the document a handler and an update handler for each conversion command.
void AddConversionCommands(CLumivoDoc& doc);
// Converts the document's image, times the call into the document's m_dElapsed and opens the result
// as "Converted image"; nothing happens when FreeImage gives no bitmap.
void RunConversion(CLumivoDoc& doc, const SDepthConversion& conversion);
