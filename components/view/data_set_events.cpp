#include "components/view/data_set_events.h"

// The old model is still alive while its successor is built (or the data
// set is closed, which is announced as a null model), so a new model never
// shows up under the address announced last.
void DataSetEvents::Loaded(const Reg* model) {
    if (model == current_) {
        emit Changed();
        return;
    }
    current_ = model;
    emit Replaced();
}
