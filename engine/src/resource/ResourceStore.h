// The open resources of one kind, by id: what a ResourceMgr keeps.
#pragma once

#include <cstring>
#include <memory>
#include <unordered_map>

namespace Zelkoran::resource {

template <class T>
class ResourceStore {
public:
    // The id the next add will get.
    int peekId() const { return m_next; }
    int add(std::unique_ptr<T> item)
    {
        const int id = m_next++;
        m_items[id] = std::move(item);
        return id;
    }
    T* get(int id) const
    {
        auto it = m_items.find(id);
        return it == m_items.end() ? nullptr : it->second.get();
    }
    // The removed item, null when there was none.
    std::unique_ptr<T> take(int id)
    {
        auto it = m_items.find(id);
        if (it == m_items.end())
            return nullptr;
        std::unique_ptr<T> item = std::move(it->second);
        m_items.erase(it);
        return item;
    }
    // Another open item than exceptId is called name.
    bool nameTaken(const char* name, int exceptId) const
    {
        for (const auto& [id, item] : m_items)
            if (id != exceptId && std::strcmp(item->getName(), name) == 0)
                return true;
        return false;
    }
    int size() const { return static_cast<int>(m_items.size()); }
    void clear() { m_items.clear(); }

private:
    std::unordered_map<int, std::unique_ptr<T>> m_items;
    int m_next = 1;
};

} // namespace Zelkoran::resource
