#pragma once

#include <QObject>

class ProviderManager;
class UsageDataManager;

// Builds every long-lived object in a fixed order, starts them at launch and stops them at exit.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    ProviderManager* providerManager() const { return m_providerManager; }
    UsageDataManager* usageDataManager() const { return m_usageDataManager; }

private:
    ProviderManager* m_providerManager;
    UsageDataManager* m_usageDataManager;
};
