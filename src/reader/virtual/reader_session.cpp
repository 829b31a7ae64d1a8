#include "reader/virtual/reader_session.h"

#include <algorithm>

namespace readerlink::virtualreader {

sdk::DocHandle DocumentTable::add(std::shared_ptr<const VirtualDocument> document) {
    const sdk::DocHandle handle = next_++;
    documents_.emplace_back(handle, std::move(document));
    while (documents_.size() > kKept)
        documents_.pop_front();
    return handle;
}

std::shared_ptr<const VirtualDocument> DocumentTable::find(sdk::DocHandle handle) const {
    for (const auto& [h, document] : documents_)
        if (h == handle)
            return document;
    return nullptr;
}

void ImageProvider::notifyChanged() {
    // A listener may add listeners while it runs; iterate over a copy.
    auto listeners = listeners_;
    std::vector<bool> alive;
    alive.reserve(listeners.size());
    for (auto& listener : listeners)
        alive.push_back(listener());
    std::vector<std::function<bool()>> kept;
    for (std::size_t i = 0; i < listeners.size(); ++i)
        if (alive[i])
            kept.push_back(std::move(listeners[i]));
    for (std::size_t i = listeners.size(); i < listeners_.size(); ++i)
        kept.push_back(std::move(listeners_[i]));
    listeners_ = std::move(kept);
}

int SourceRegistry::add(int kind, std::weak_ptr<ImageProvider> provider) {
    // Drop sources whose owner is gone.
    std::erase_if(sources_, [](const auto& entry) { return entry.second.second.expired(); });
    const int handle = next_++;
    sources_[handle] = {kind, std::move(provider)};
    return handle;
}

std::shared_ptr<ImageProvider> SourceRegistry::find(int kind, int handle) {
    const auto it = sources_.find(handle);
    if (it == sources_.end() || it->second.first != kind)
        return nullptr;
    return it->second.second.lock();
}

} // namespace readerlink::virtualreader
