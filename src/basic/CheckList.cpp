#include "basic/CheckList.h"

#include <QListWidget>

namespace vrl {

bool AnyItemChecked(const QListWidget &list)
{
    for (int i = 0; i < list.count(); ++i) {
        if (list.item(i)->checkState() == Qt::Checked)
            return true;
    }
    return false;
}

} // namespace vrl
