#include "expected_rows.h"

#include <windows.h>

#include <algorithm>

#include "tests/support/test_services.h"

std::vector<ListRow> ExpectedRows() {
  std::vector<ListRow> rows;
  for (const ScmService& service : ScmListing())
    rows.push_back({service.name, service.displayName, ExpectedRunStateText(service.state),
                    ExpectedStartTypeText(service), service.path});
  std::stable_sort(rows.begin(), rows.end(),
                   [](const ListRow& a, const ListRow& b) { return ListOrderLess(a[0], b[0]); });
  return rows;
}

bool ListOrderLess(const std::string& a, const std::string& b) {
  return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) ==
         CSTR_LESS_THAN;
}
