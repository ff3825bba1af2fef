#pragma once

#include "platform/memory/memory_key_value_store.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QTest>
#include <map>

namespace tolvane::testing {

// The store's values as text, by key.
inline std::map<QString, QString> storeSnapshot(const MemoryKeyValueStore& store) {
    std::map<QString, QString> values;
    for (const QString& key : store.keys())
        values[key] = store.value(key).toString();
    return values;
}

// The keys whose value differs between two snapshots, with the later value ("<removed>" when gone).
inline std::map<QString, QString> changedValues(const std::map<QString, QString>& before,
                                                const std::map<QString, QString>& after) {
    std::map<QString, QString> changed;
    for (const auto& [key, value] : after)
        if (const auto it = before.find(key); it == before.end() || it->second != value)
            changed[key] = value;
    for (const auto& [key, value] : before)
        if (!after.contains(key))
            changed[key] = QStringLiteral("<removed>");
    return changed;
}

// Picks the option with this data as a user does: opens the list, moves to the row and presses Return.
inline void chooseInPicker(QComboBox* picker, const QString& data) {
    picker->showPopup();
    QAbstractItemView* list = picker->view();
    list->setCurrentIndex(list->model()->index(picker->findData(data), 0));
    QTest::keyClick(list, Qt::Key_Return);
}

} // namespace tolvane::testing
