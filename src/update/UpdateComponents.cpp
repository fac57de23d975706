#include "update/UpdateComponents.h"

#include "base/VarnexError.h"

#include <QHash>

#include <mutex>

namespace {

struct Registry
{
    std::mutex lock;
    QHash<QString, ComponentRegistry::Factory> factories; // keyed by lower-case name

    Registry()
    {
        const auto channel = [] { return new HttpChannelComponent; };
        const auto message = [] { return new WireMessageComponent; };
        factories.insert(QStringLiteral("trowininethttpchannel"), channel);
        factories.insert(QStringLiteral("httpchannel"), channel);
        factories.insert(QStringLiteral("trobinmessage"), message);
        factories.insert(QStringLiteral("wiremessage"), message);
    }
};

Registry &registry()
{
    static Registry r;
    return r;
}

} // namespace

void ComponentRegistry::registerClass(const QString &className, Factory factory)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    r.factories.insert(className.toLower(), std::move(factory));
}

bool ComponentRegistry::isRegistered(const QString &className)
{
    Registry &r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    return r.factories.contains(className.trimmed().toLower());
}

QObject *ComponentRegistry::create(const QString &className)
{
    Factory factory;
    {
        Registry &r = registry();
        std::lock_guard<std::mutex> guard(r.lock);
        factory = r.factories.value(className.trimmed().toLower());
    }
    if (!factory)
        throw VarnexError(QStringLiteral("Class %1 not found").arg(className));
    return factory();
}

HttpChannelComponent::HttpChannelComponent(QObject *parent) : QObject(parent)
{
    m_channel.setTimeoutMs(DefaultTimeOutMs);
    m_channel.setConnectTimeoutMs(DefaultConnectTimeOutMs);
}
