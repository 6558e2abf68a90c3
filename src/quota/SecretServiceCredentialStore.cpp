#include "quota/SecretServiceCredentialStore.h"

#include <libsecret/secret.h>

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

}

SecretServiceCredentialStore::SecretServiceCredentialStore(QString service)
    : m_service(std::move(service))
{ }

std::optional<QByteArray> SecretServiceCredentialStore::read(bool allowInteraction) const
{
    const QByteArray service = m_service.toUtf8();
    Attributes attributes;
    g_hash_table_insert(attributes.table, const_cast<char*>("service"), const_cast<char*>(service.constData()));

    int flags = SECRET_SEARCH_ALL | SECRET_SEARCH_LOAD_SECRETS;
    if (allowInteraction)
        flags |= SECRET_SEARCH_UNLOCK;

    GError* error = nullptr;
    ItemList found { secret_service_search_sync(nullptr, nullptr, attributes.table,
                                                static_cast<SecretSearchFlags>(flags), nullptr, &error) };
    if (error) {
        g_error_free(error);
        return std::nullopt;
    }
    for (GList* node = found.items; node; node = node->next) {
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
