// Object names of the desktop's controls, from their identifiers.
#pragma once

#include <QObject>
#include <QString>

#include "uimodel/control_ids.h"

namespace k7q {

inline QString ControlName(ControlId id) {
  return QString::number(static_cast<int>(id));
}

inline bool IsControl(const QObject* object, ControlId id) {
  return object && object->objectName() == ControlName(id);
}

}  // namespace k7q
