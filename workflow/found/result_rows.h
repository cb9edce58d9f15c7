#pragma once
// The entries of one result list in the order the list shows them, and their
// checks. The list asks for what it draws by index, so checking, the select-all
// links and sorting touch only these records, never the control's items, and
// the count of checked entries is kept as they change.
#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace workflow {

// `Entry` has a `bool checked`; the rows point to entries they do not own.
template <typename Entry>
class ResultRows {
public:
    int Count() const { return static_cast<int>(m_rows.size()); }
    int CheckedCount() const { return m_checked; }
    bool Valid(int index) const { return index >= 0 && index < Count(); }
    Entry* At(int index) const { return m_rows[static_cast<size_t>(index)]; }

    void Add(Entry* entry) {
        m_rows.push_back(entry);
        if (entry->checked) ++m_checked;
    }
    void Insert(int index, Entry* entry) {
        m_rows.insert(m_rows.begin() + index, entry);
        if (entry->checked) ++m_checked;
    }
    // The rows anew, as another choice of what to show arranges them.
    void Assign(std::vector<Entry*> rows) {
        m_rows = std::move(rows);
        m_checked = static_cast<int>(std::count_if(m_rows.begin(), m_rows.end(), [](const Entry* e) { return e->checked; }));
    }
    const std::vector<Entry*>& Rows() const { return m_rows; }
    // The entry's row index before it went, -1 when it was not there.
    int Remove(const Entry* entry) {
        const int index = IndexOf(entry);
        if (index < 0) return -1;
        if (entry->checked) --m_checked;
        m_rows.erase(m_rows.begin() + index);
        return index;
    }
    int IndexOf(const Entry* entry) const {
        const auto found = std::find(m_rows.begin(), m_rows.end(), entry);
        return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
    }
    void Clear() {
        m_rows.clear();
        m_checked = 0;
    }

    void SetChecked(int index, bool checked) {
        Entry* entry = At(index);
        if (entry->checked == checked) return;
        entry->checked = checked;
        m_checked += checked ? 1 : -1;
    }
    void SetAll(bool checked) {
        for (Entry* entry : m_rows) entry->checked = checked;
        m_checked = checked ? Count() : 0;
    }
    // Row indexes of the checked entries, in list order.
    std::vector<int> CheckedIndexes() const {
        std::vector<int> checked;
        checked.reserve(static_cast<size_t>(m_checked));
        for (int i = 0; i < Count(); ++i)
            if (At(i)->checked) checked.push_back(i);
        return checked;
    }
    // Rows equal under `less` keep their order, so sorting by one column
    // after another keeps the first order within the second.
    template <typename Less>
    void Sort(Less less) {
        std::stable_sort(m_rows.begin(), m_rows.end(), [&](const Entry* a, const Entry* b) { return less(*a, *b); });
    }

private:
    std::vector<Entry*> m_rows;
    int m_checked = 0;
};

}  // namespace workflow
