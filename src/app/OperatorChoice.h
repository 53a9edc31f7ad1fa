#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSettings;
class Store;

// Who works at this computer, remembered in this computer's own settings (its account's, never the data
// folder, which several computers may share) for each agenda, and chosen again at the next start while
// the practice still names that operator; otherwise nobody is chosen, and nothing is asked.
class OperatorChoice : public QObject {
    Q_OBJECT

public:
    // Chooses the remembered operator of the store's agenda, then remembers every later choice.
    OperatorChoice(Store& store, std::unique_ptr<QSettings> local, QObject* parent = nullptr);
    ~OperatorChoice() override;

    // This account's settings on this computer.
    [[nodiscard]] static std::unique_ptr<QSettings> localSettings();

private:
    void remember();

    Store& m_store;
    std::unique_ptr<QSettings> m_local;
    QString m_key;
    QString m_remembered;
};
