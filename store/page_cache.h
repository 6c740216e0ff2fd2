#pragma once

#include <cstddef>
#include <list>
#include <map>
#include <utility>
#include <vector>

// A table's rows fetched from a database a page at a time, the pages used last kept: a view over
// a table of any length touches only the few pages it shows.
template <typename Row> class Page_cache {
public:
    Page_cache(int page_rows, std::size_t pages_kept)
        : page_rows(page_rows), pages_kept(pages_kept) {}

    void clear() {
        pages.clear();
        recent.clear();
    }

    // Row `index`, its page fetched with `fetch(first_row, row_count)` when it is not kept;
    // nullptr when the page came back shorter (rows gone since they were counted, or the query
    // failed).
    template <typename Fetch> const Row* row(int index, Fetch&& fetch) {
        if (index < 0) {
            return nullptr;
        }
        const std::vector<Row>& rows = page(index / page_rows, std::forward<Fetch>(fetch));
        const auto at = static_cast<std::size_t>(index % page_rows);
        return at < rows.size() ? &rows[at] : nullptr;
    }

private:
    template <typename Fetch> const std::vector<Row>& page(int number, Fetch&& fetch) {
        const auto found = pages.find(number);
        if (found != pages.end()) {
            recent.remove(number);
            recent.push_front(number);
            return found->second;
        }
        std::vector<Row> fetched = fetch(number * page_rows, page_rows);
        if (recent.size() >= pages_kept) {
            pages.erase(recent.back());
            recent.pop_back();
        }
        recent.push_front(number);
        return pages[number] = std::move(fetched);
    }

    int page_rows;
    std::size_t pages_kept;
    std::map<int, std::vector<Row>> pages;
    std::list<int> recent;
};
