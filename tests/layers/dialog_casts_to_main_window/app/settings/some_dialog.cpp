#include <QObject>
class TfrmREG;
void F(QObject* o) { (void)qobject_cast<TfrmREG*>(o); }
