#pragma once
// The entries of one result list in the order the list shows them, and their
// ticks. The list asks for what it draws by index, so ticking, the select-all
// toggles and sorting touch only these records, never the control's items,
// and the count of ticked entries is kept as they change.
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
    int Ticked() const { return m_ticked; }
    bool Valid(int index) const { return index >= 0 && index < Count(); }
    Entry* At(int index) const { return m_rows[static_cast<size_t>(index)]; }

    void Add(Entry* entry) {
        m_rows.push_back(entry);
        if (entry->checked) ++m_ticked;
    }
    void Insert(int index, Entry* entry) {
        m_rows.insert(m_rows.begin() + index, entry);
        if (entry->checked) ++m_ticked;
    }
    // The rows anew, as another choice of what to show arranges them.
    void Assign(std::vector<Entry*> rows) {
        m_rows = std::move(rows);
        m_ticked = static_cast<int>(std::count_if(m_rows.begin(), m_rows.end(), [](const Entry* e) { return e->checked; }));
    }
    const std::vector<Entry*>& Rows() const { return m_rows; }
    // The entry's row index before it went, -1 when it was not there.
    int Remove(const Entry* entry) {
        const int index = IndexOf(entry);
        if (index < 0) return -1;
        if (entry->checked) --m_ticked;
        m_rows.erase(m_rows.begin() + index);
        return index;
    }
    int IndexOf(const Entry* entry) const {
        const auto found = std::find(m_rows.begin(), m_rows.end(), entry);
        return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
    }
    void Clear() {
        m_rows.clear();
        m_ticked = 0;
    }

    void SetChecked(int index, bool checked) {
        Entry* entry = At(index);
        if (entry->checked == checked) return;
        entry->checked = checked;
        m_ticked += checked ? 1 : -1;
    }
    void SetAll(bool checked) {
        for (Entry* entry : m_rows) entry->checked = checked;
        m_ticked = checked ? Count() : 0;
    }
    // Row indexes of the ticked entries, in list order.
    std::vector<int> TickedIndexes() const {
        std::vector<int> ticked;
        ticked.reserve(static_cast<size_t>(m_ticked));
        for (int i = 0; i < Count(); ++i)
            if (At(i)->checked) ticked.push_back(i);
        return ticked;
    }
    // Rows equal under `less` keep their order, so sorting by one column
    // after another keeps the first order within the second.
    template <typename Less>
    void Sort(Less less) {
        std::stable_sort(m_rows.begin(), m_rows.end(), [&](const Entry* a, const Entry* b) { return less(*a, *b); });
    }

private:
    std::vector<Entry*> m_rows;
    int m_ticked = 0;
};

}  // namespace workflow
