#include "Tavrin/store/graph/LiveQuery.h"

#include <algorithm>
#include <map>
#include <set>

namespace Tavrin::Graph {
namespace {

// Positions (in the new order) of the objects that keep their relative order: the longest
// increasing run of their old indexes. Everything else that stayed has moved.
std::set<std::size_t> stayingInOrder(const std::vector<int>& oldIndexes) {
    std::vector<int> tails;           // smallest tail of runs of each length
    std::vector<std::size_t> tailAt;  // position of that tail
    std::vector<long> previous(oldIndexes.size(), -1);
    for (std::size_t i = 0; i < oldIndexes.size(); ++i) {
        auto it = std::lower_bound(tails.begin(), tails.end(), oldIndexes[i]);
        std::size_t length = std::size_t(it - tails.begin());
        if (length > 0) previous[i] = long(tailAt[length - 1]);
        if (it == tails.end()) {
            tails.push_back(oldIndexes[i]);
            tailAt.push_back(i);
        } else {
            *it = oldIndexes[i];
            tailAt[length] = i;
        }
    }
    std::set<std::size_t> staying;
    for (long at = tailAt.empty() ? -1 : long(tailAt.back()); at >= 0;
         at = previous[std::size_t(at)]) {
        staying.insert(std::size_t(at));
    }
    return staying;
}

}  // namespace

LiveQuery::LiveQuery(std::shared_ptr<Context> context, FetchRequest request)
    : context_(std::move(context)), request_(std::move(request)) {}

void LiveQuery::performFetch() {
    objects_ = context_->fetch(request_);
    subscription_ = context_->objectsDidChange().subscribe(
        [this](const ChangeSet& changes) { refresh(changes); });
}

void LiveQuery::refresh(const ChangeSet& changes) {
    std::vector<ObjectID> fresh = context_->fetch(request_);
    std::map<ObjectID, int> oldIndex;
    for (std::size_t i = 0; i < objects_.size(); ++i) oldIndex[objects_[i]] = int(i);
    std::map<ObjectID, int> newIndex;
    for (std::size_t i = 0; i < fresh.size(); ++i) newIndex[fresh[i]] = int(i);

    std::vector<std::pair<ObjectID, int>> deleted;
    for (const auto& [object, index] : oldIndex) {
        if (!newIndex.count(object)) deleted.emplace_back(object, index);
    }
    std::vector<int> keptOld;
    std::vector<std::size_t> keptAt;
    std::vector<std::pair<ObjectID, int>> inserted;
    for (std::size_t i = 0; i < fresh.size(); ++i) {
        auto old = oldIndex.find(fresh[i]);
        if (old == oldIndex.end()) {
            inserted.emplace_back(fresh[i], int(i));
            continue;
        }
        keptOld.push_back(old->second);
        keptAt.push_back(i);
    }
    std::set<std::size_t> staying = stayingInOrder(keptOld);
    std::vector<std::tuple<ObjectID, int, int>> moved;
    std::vector<std::pair<ObjectID, int>> updated;
    for (std::size_t k = 0; k < keptAt.size(); ++k) {
        const ObjectID object = fresh[keptAt[k]];
        if (!staying.count(k)) {
            moved.emplace_back(object, keptOld[k], int(keptAt[k]));
        } else if (changes.updated.count(object)) {
            updated.emplace_back(object, int(keptAt[k]));
        }
    }
    objects_ = std::move(fresh);
    if (deleted.empty() && inserted.empty() && moved.empty() && updated.empty()) return;
    if (delegate_.willChange) delegate_.willChange();
    std::sort(deleted.begin(), deleted.end(), [](auto& a, auto& b) { return a.second > b.second; });
    for (auto& [object, index] : deleted) {
        if (delegate_.didDelete) delegate_.didDelete(object, index);
    }
    for (auto& [object, index] : inserted) {
        if (delegate_.didInsert) delegate_.didInsert(object, index);
    }
    for (auto& [object, from, to] : moved) {
        if (delegate_.didMove) delegate_.didMove(object, from, to);
    }
    for (auto& [object, index] : updated) {
        if (delegate_.didUpdate) delegate_.didUpdate(object, index);
    }
    if (delegate_.didChange) delegate_.didChange();
}

}  // namespace Tavrin::Graph
