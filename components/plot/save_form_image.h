// SaveFormImage: saves what a window shows as a bitmap file chosen in the
// main window's save dialog (data folder, bitmap filter, extension "BMP").
#pragma once

#include <string>

class EngineContext;
class QWidget;

// True when the image was written. Cancelling the dialog writes nothing and
// returns false; a failed write shows an error box, leaves any old file as it
// was and returns false.
bool SaveFormImage(QWidget& form, const EngineContext& context);

// The widget's image written to path as a bitmap; false when it could not be.
bool SaveWidgetBitmap(QWidget& widget, const std::string& path);
