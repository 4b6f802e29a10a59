#pragma once
// Drop-down list that keeps its items sorted, like a list created with the
// sort style: add_item puts each new item at its sorted place and returns
// its index.
#include <QComboBox>

class SortedCombo : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;
  int add_item(const QString& text) {
    int pos = 0;
    while (pos < count() && QString::compare(itemText(pos), text, Qt::CaseInsensitive) <= 0) ++pos;
    insertItem(pos, text);
    return pos;
  }
};
