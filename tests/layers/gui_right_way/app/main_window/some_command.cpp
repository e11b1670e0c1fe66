#include "app/main_window/main_window.h"
void F(QObject* o) { qobject_cast<TfrmREG*>(o); }
