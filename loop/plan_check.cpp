#include "plan_check.h"

#include <algorithm>

QStringList Plan_check::clashes(const Loop_plan& plan, const std::vector<int>& to_write,
                                const std::vector<int>& answering) {
    QStringList found;
    std::map<int, int> given_to; // basic address -> first loop address given it
    for (const auto& [address, config] : plan.detectors) {
        const std::optional<int> basic = config.basic_address();
        if (!basic) {
            continue;
        }
        const auto [earlier, fresh] = given_to.emplace(*basic, address);
        if (!fresh) {
            found << QStringLiteral("Czujki spod adresów %1 i %2 mają w planie ten sam adres "
                                    "podstawowy %3.")
                         .arg(earlier->second)
                         .arg(address)
                         .arg(*basic);
        }
    }
    for (const int address : to_write) {
        const auto planned = plan.detectors.find(address);
        if (planned == plan.detectors.end()) {
            continue;
        }
        const std::optional<int> basic = planned->second.basic_address();
        if (!basic || *basic == address) {
            continue;
        }
        if (std::find(answering.begin(), answering.end(), *basic) != answering.end()) {
            found << QStringLiteral("Adres podstawowy %1, który plan daje czujce spod adresu %2, "
                                    "zajmuje inna czujka na pętli.")
                         .arg(*basic)
                         .arg(address);
        } else if (const auto there = plan.detectors.find(*basic);
                   there != plan.detectors.end() && there->second.basic_address() != basic) {
            // The moved detector's row and plan entry go to its new address, where the plan
            // already has another detector (one planned to keep it is a duplicate, named above).
            found << QStringLiteral("Adres podstawowy %1, który plan daje czujce spod adresu %2, "
                                    "jest w planie miejscem innej czujki.")
                         .arg(*basic)
                         .arg(address);
        }
    }
    return found;
}
