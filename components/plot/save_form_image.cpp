#include "components/plot/save_form_image.h"

#include <QImage>
#include <QPixmap>
#include <QSaveFile>
#include <QWidget>

#include "core/settings/engine_context.h"
#include "core/settings/file_services.h"
#include "platform/ui_services.h"

namespace {

const char* const kWriteFailed = "ファイルの書き込みに失敗しました。";

}  // namespace

bool SaveWidgetBitmap(QWidget& widget, const std::string& path) {
    const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) return false;
    // Written beside the target and moved into place only when complete.
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (!image.save(&file, "BMP")) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool SaveFormImage(QWidget& form, const EngineContext& context) {
    FileDialogRequest request;
    request.initialDir = context.Work().dataFolder;
    request.filter = kSaveDialogFilter;
    request.filterIndex = kSaveFilterBitmap;
    request.defaultExt = "BMP";
    const std::string path = context.Services().ChooseSaveFile(request);
    if (path.empty()) return false;
    if (SaveWidgetBitmap(form, path)) return true;
    ErrorBox(context.Services(), kWriteFailed);
    return false;
}
