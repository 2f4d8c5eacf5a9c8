// Building a search's query plan from the address book.
#include "locate/QueryPlan.h"

#include "config/AddressBook.h"
#include "locate/AddressRange.h"
#include "locate/LocateTexts.h"

QueryPlan QueryPlan::Build(const ProfileStore& store, const QString& person) {
    QueryPlan plan;
    const QStringList aliases = AddressBook::ReadAliases(store, person);
    plan.aliasCount = int(aliases.size());
    for (const QString& alias : aliases) {
        const QStringList hosts = AddressBook::ReadHosts(store, person, alias);
        plan.hostCount += int(hosts.size());
        for (const QString& host : hosts)
            plan.addHost(alias, host);
    }
    return plan;
}

void QueryPlan::addHost(const QString& alias, const QString& hostText) {
    if (!hostText.startsWith(QLatin1Char('#'))) {
        entries.push_back({alias, hostText});
        return;
    }
    // A range that cannot be read keeps its text in an entry of its own, so that the user sees why nothing is
    // searched there; one whose last number is not above the first stands for no address and adds nothing.
    const auto range = AddressRange::parse(hostText.toStdString());
    if (!range) {
        entries.push_back({alias, hostText, true});
        return;
    }
    for (const std::string& address : range->expand())
        entries.push_back({alias, QString::fromStdString(address)});
}

QString QueryPlan::problem() const {
    if (aliasCount == 0)
        return LocateTexts::NO_ALIASES;
    if (hostCount == 0)
        return LocateTexts::NO_HOSTS;
    return {};
}
