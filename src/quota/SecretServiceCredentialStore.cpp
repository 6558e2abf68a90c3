#include "quota/SecretServiceCredentialStore.h"

#include <libsecret/secret.h>

namespace pacemark {

namespace {

struct ItemList
{
    GList* items = nullptr;
    ~ItemList() { g_list_free_full(items, g_object_unref); }
};

struct Attributes
{
    GHashTable* table = g_hash_table_new(g_str_hash, g_str_equal);
    ~Attributes() { g_hash_table_unref(table); }
};

// One search on a main context of its own, so that it can be given up at the deadline: the calling
// thread's default context is left alone, and nothing of the search outlives the call.
struct Search
{
    GMainContext* context = g_main_context_new();
    GMainLoop* loop = g_main_loop_new(context, FALSE);
    GCancellable* cancellable = g_cancellable_new();
    ItemList found;
    bool done = false;

    ~Search()
    {
        g_object_unref(cancellable);
        g_main_loop_unref(loop);
        g_main_context_unref(context);
    }

    static void finished(GObject*, GAsyncResult* result, gpointer data)
    {
        auto* search = static_cast<Search*>(data);
        GError* error = nullptr;
        search->found.items = secret_service_search_finish(nullptr, result, &error);
        if (error)
            g_error_free(error);
        search->done = true;
        g_main_loop_quit(search->loop);
    }

    static gboolean expired(gpointer data)
    {
        g_cancellable_cancel(static_cast<Search*>(data)->cancellable);
        return G_SOURCE_REMOVE;
    }

    void run(GHashTable* attributes, SecretSearchFlags flags, std::chrono::milliseconds deadline)
    {
        g_main_context_push_thread_default(context);
        GSource* timeout = g_timeout_source_new(static_cast<guint>(deadline.count()));
        g_source_set_callback(timeout, &Search::expired, this, nullptr);
        g_source_attach(timeout, context);
        secret_service_search(nullptr, nullptr, attributes, flags, cancellable, &Search::finished, this);
        // A cancelled search still ends through its callback, which leaves nothing pending.
        if (!done)
            g_main_loop_run(loop);
        g_source_destroy(timeout);
        g_source_unref(timeout);
        // Closes what the search left queued on this context before it goes.
        while (g_main_context_iteration(context, FALSE)) { }
        g_main_context_pop_thread_default(context);
    }
};

}

SecretServiceCredentialStore::SecretServiceCredentialStore(QString service, std::chrono::milliseconds silentDeadline)
    : m_service(std::move(service))
    , m_silentDeadline(silentDeadline)
{ }

void SecretServiceCredentialStore::abandonReads() const
{
    const std::scoped_lock lock(m_searchMutex);
    if (m_search)
        g_cancellable_cancel(m_search);
}

std::optional<QByteArray> SecretServiceCredentialStore::read(bool allowInteraction) const
{
    const QByteArray service = m_service.toUtf8();
    Attributes attributes;
    g_hash_table_insert(attributes.table, const_cast<char*>("service"), const_cast<char*>(service.constData()));

    int flags = SECRET_SEARCH_ALL | SECRET_SEARCH_LOAD_SECRETS;
    if (allowInteraction)
        flags |= SECRET_SEARCH_UNLOCK;

    Search search;
    {
        const std::scoped_lock lock(m_searchMutex);
        m_search = search.cancellable;
    }
    search.run(attributes.table, static_cast<SecretSearchFlags>(flags),
               allowInteraction ? InteractiveDeadline : m_silentDeadline);
    {
        const std::scoped_lock lock(m_searchMutex);
        m_search = nullptr;
    }
    for (GList* node = search.found.items; node; node = node->next) {
        // Items of a locked collection come back without their secret.
        SecretValue* value = secret_item_get_secret(static_cast<SecretItem*>(node->data));
        if (!value)
            continue;
        gsize length = 0;
        const gchar* bytes = secret_value_get(value, &length);
        QByteArray data(bytes, static_cast<qsizetype>(length));
        secret_value_unref(value);
        return data;
    }
    return std::nullopt;
}

}
