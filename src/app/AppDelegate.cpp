#include "app/AppDelegate.h"

#include "ingest/ClaudePaths.h"
#include "ingest/FileWatcher.h"
#include "ingest/ProviderManager.h"
#include "usage/UsageDataManager.h"

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent),
      m_providerManager(new ProviderManager(ClaudePaths::projectsPath(), this)),
      m_usageDataManager(new UsageDataManager(m_providerManager, this))
{
}

AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching()
{
    m_usageDataManager->startWatching();
}

void AppDelegate::applicationWillTerminate()
{
    m_usageDataManager->fileWatcher()->stop();
}
