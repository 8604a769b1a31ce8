#include "tabs/base/blockTypeSlots.h"

#include <string>

const BlockTypeSlots* BlockTypeSlots::s_current = nullptr;

BlockTypeSlots::BlockTypeSlots(const Zelkoran::Archive* archive)
    : m_archive(archive), m_count(archive ? archive->getIndexCount() : 0)
{
    std::vector<int>* last = nullptr;
    const char* lastType = nullptr;
    for (int i = 0; i < m_count; ++i) {
        const char* type = archive->blockTypeAt(i);
        if (!type)
            continue;
        // Neighbours mostly share a type: the last group is reused without a lookup.
        if (!last || std::char_traits<char>::compare(type, lastType, 16) != 0) {
            last = &m_slots[std::string(type, 16)];
            lastType = type;
        }
        last->push_back(i);
    }
}

BlockTypeSlots::Scope::Scope(const Zelkoran::Archive* archive) : m_outer(s_current)
{
    s_current = archive ? new BlockTypeSlots(archive) : nullptr;
}

BlockTypeSlots::Scope::~Scope()
{
    delete s_current;
    s_current = m_outer;
}

const std::vector<int>* BlockTypeSlots::of(const Zelkoran::Archive* archive, const char (&type)[16])
{
    const BlockTypeSlots* current = s_current;
    if (!current || !archive || current->m_archive != archive || current->m_count != archive->getIndexCount())
        return nullptr;
    static const std::vector<int> none;
    const auto it = current->m_slots.find(std::string(type, 16));
    return it == current->m_slots.end() ? &none : &it->second;
}
