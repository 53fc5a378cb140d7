#pragma once
// The new document a tool fills (capture, scanner): asked of the application's template, filled,
// titled, its views told of the new image and its size and time shown.
#include <QString>
#include <functional>

class CLumivoDoc;

// Does nothing when the template gives no document. fnFill may leave the document empty.
void OpenToolDocument(const QString& strTitle, const std::function<void(CLumivoDoc& doc)>& fnFill);
