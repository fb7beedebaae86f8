// Gives each distinct text a small number, in order of first sight: the rows of a result list
// share their folders and files, and numbers are cheaper to sort and join than texts.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "NoCase.h"

// Texts equal when their bytes are.
struct CExactText {
    static constexpr bool LOWER = false;
    static bool Equal(std::string_view a, std::string_view b) { return a == b; }
};
// Texts equal under CompareNoCase.
struct CNoCaseText {
    static constexpr bool LOWER = true;
    static bool Equal(std::string_view a, std::string_view b) { return EqualNoCase(a, b); }
};

// Open addressing with linear probing, never more than half full. The table keeps views: the
// texts must outlive it and stay where they are.
template <class TEquality>
class CTextTable {
public:
    static constexpr std::uint32_t NONE = UINT32_MAX;

    // A table that grows with its texts; starting small keeps a column of few folders in cache.
    explicit CTextTable(std::size_t nHint = 0) {
        std::size_t nSize = MIN_SLOTS;
        while (nSize < 2 * nHint) nSize *= 2;
        m_slots.assign(nSize, CSlot{0, NONE});
        m_texts.reserve(nHint);
    }

    // The number of text, given the next one when it is new.
    std::uint32_t Intern(std::string_view text) {
        const std::uint64_t nHash = Hash(text);
        CSlot& slot = m_slots[FindSlot(text, nHash)];
        if (slot.nId != NONE) return slot.nId;
        const auto nId = static_cast<std::uint32_t>(m_texts.size());
        slot = {nHash, nId};
        m_texts.push_back(text);
        if (2 * m_texts.size() > m_slots.size()) Grow();
        return nId;
    }
    // The number of text, or NONE.
    std::uint32_t Find(std::string_view text) const {
        return m_slots[FindSlot(text, Hash(text))].nId;
    }
    std::string_view Text(std::uint32_t nId) const { return m_texts[nId]; }
    std::size_t Size() const { return m_texts.size(); }
    // The texts in order of their numbers.
    const std::vector<std::string_view>& Texts() const { return m_texts; }

    // Eight bytes at a time (lowered when case does not count), the length mixed in first.
    static std::uint64_t Hash(std::string_view s) {
        constexpr std::uint64_t MULTIPLIER = 0x9E3779B97F4A7C15ull;
        std::uint64_t h = s.size() * MULTIPLIER;
        for (std::size_t i = 0; i < s.size(); i += 8) {
            std::uint64_t w = 0;
            std::memcpy(&w, s.data() + i, std::min<std::size_t>(8, s.size() - i));
            if constexpr (TEquality::LOWER) w = LowerAscii8(w);
            h = (h ^ w) * MULTIPLIER;
            h ^= h >> 29;
        }
        // The low bits pick the slot: fold the well-mixed high bits into them.
        return h ^ (h >> 32);
    }

private:
    static constexpr std::size_t MIN_SLOTS = 1024;
    struct CSlot {
        std::uint64_t nHash;
        std::uint32_t nId;
    };

    std::size_t FindSlot(std::string_view text, std::uint64_t nHash) const {
        const std::size_t nMask = m_slots.size() - 1;
        for (std::size_t k = nHash & nMask;; k = (k + 1) & nMask) {
            const CSlot& slot = m_slots[k];
            if (slot.nId == NONE || (slot.nHash == nHash && TEquality::Equal(m_texts[slot.nId], text)))
                return k;
        }
    }

    void Grow() {
        std::vector<CSlot> old(m_slots.size() * 2, CSlot{0, NONE});
        old.swap(m_slots);
        const std::size_t nMask = m_slots.size() - 1;
        for (const CSlot& slot : old) {
            if (slot.nId == NONE) continue;
            std::size_t k = slot.nHash & nMask;
            while (m_slots[k].nId != NONE) k = (k + 1) & nMask;
            m_slots[k] = slot;
        }
    }

    std::vector<CSlot> m_slots;
    std::vector<std::string_view> m_texts;  // by number
};

using CPathTable = CTextTable<CExactText>;
using CNoCasePathTable = CTextTable<CNoCaseText>;
