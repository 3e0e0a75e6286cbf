// SPDX-License-Identifier: MIT
#include "fleet/fleet_topics.hpp"

namespace quillon::fleet {

std::string TopicLevel(std::string_view name) {
    std::string level(name);
    for (char& c : level) {
        if (c == '/' || c == '+' || c == '#' || static_cast<unsigned char>(c) < 0x20) {
            c = '_';
        }
    }
    return level.empty() ? "_" : level;
}

std::string InstanceTopic(std::string_view prefix, std::string_view site, std::string_view instance,
                          std::string_view leaf) {
    std::string topic(prefix);
    topic += '/';
    topic += TopicLevel(site);
    topic += '/';
    topic += TopicLevel(instance);
    topic += '/';
    topic += leaf;
    return topic;
}

bool SplitInstanceTopic(std::string_view prefix, std::string_view topic, TopicParts& parts) {
    if (topic.size() <= prefix.size() + 1 || topic.substr(0, prefix.size()) != prefix ||
        topic[prefix.size()] != '/') {
        return false;
    }
    std::string_view rest = topic.substr(prefix.size() + 1);
    const std::size_t first = rest.find('/');
    const std::size_t last = rest.rfind('/');
    if (first == std::string_view::npos || first == last || rest.find('/', first + 1) != last) {
        return false;
    }
    parts.site = rest.substr(0, first);
    parts.instance = rest.substr(first + 1, last - first - 1);
    parts.leaf = rest.substr(last + 1);
    return true;
}

}  // namespace quillon::fleet
