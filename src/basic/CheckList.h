#pragma once

class QListWidget;

namespace vrl {

// Whether at least one item of a check list carries a check mark; false for an empty list.
bool AnyItemChecked(const QListWidget &list);

} // namespace vrl
