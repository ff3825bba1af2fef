#pragma once

#include "platform/key_value_store.h"

#include <QHash>

namespace tolvane {

// A key-value store held in memory, for tests and the test host. Keeps values with their types; told to, it
// refuses to sync as a settings file that cannot be written does.
class MemoryKeyValueStore final : public KeyValueStore {
public:
    QVariant value(const QString& key) const override { return m_values.value(key); }
    void setValue(const QString& key, const QVariant& value) override { m_values.insert(key, value); }
    void remove(const QString& key) override { m_values.remove(key); }
    bool contains(const QString& key) const override { return m_values.contains(key); }
    bool sync() override {
        ++m_syncCount;
        return !m_refusesWrites;
    }
    bool isDamaged() const override { return false; }

    int syncCount() const { return m_syncCount; }
    void setRefusesWrites(bool refuses) { m_refusesWrites = refuses; }
    QStringList keys() const { return m_values.keys(); }

private:
    QHash<QString, QVariant> m_values;
    int m_syncCount = 0;
    bool m_refusesWrites = false;
};

} // namespace tolvane
