// The listing against a manager in memory: the faults Wine's real one never shows.
#include <gtest/gtest.h>

#include <map>

#include "fake_scm.h"
#include "service/catalogue.h"
#include "tests/support/expected_texts.h"
#include "tests/support/message_boxes.h"

namespace {
std::vector<ServiceRow> List() {
  std::vector<ServiceRow> rows;
  ListServices([&rows](const ServiceRow& row) { rows.push_back(row); });
  return rows;
}

std::map<std::string, int> CountByName(const std::vector<ServiceRow>& rows) {
  std::map<std::string, int> count;
  for (const ServiceRow& row : rows) ++count[row.name];
  return count;
}

// Enough services, with long enough texts, that their records fill several 64 KiB buffers.
void AddMany(FakeScm& scm, int n) {
  for (int i = 0; i < n; ++i)
    scm.Add("svc" + std::to_string(i) + std::string(60, 'x'), SERVICE_RUNNING);
}
}  // namespace

TEST(Catalogue, RefusedConnectionIsReportedOnceAndListsNothing) {
  FakeScm scm;
  scm.Add("one");
  scm.refuseConnection = true;
  MessageBoxWatcher boxes;
  // A box keeps the listing from returning until it is recorded and answered.
  EXPECT_TRUE(List().empty());
  auto seen = boxes.Take();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, kOpenManagerFailed);
  EXPECT_EQ(scm.OpenHandles(), 0u);
}

TEST(Catalogue, EveryServiceIsListedOnceWhenTheRecordsDoNotFitOneCall) {
  // 2,500 records need several calls; 400 fit Wine's wide texts in twice the buffer but not
  // the narrow ones in the buffer itself. A manager whose order shifts between calls hands a
  // record twice.
  enum Manager { kPlatform, kWine, kShifting };
  for (Manager manager : {kPlatform, kWine, kShifting})
    for (int n : {400, 2500}) {
      SCOPED_TRACE(std::to_string(manager) + ", " + std::to_string(n));
      const bool likeWine = manager == kWine;
      FakeScm scm;
      scm.enumLikeWine = likeWine;
      scm.resumeRepeatsOne = manager == kShifting;
      AddMany(scm, n);
      auto rows = List();
      EXPECT_GT(scm.enumCalls, 1);
      if (likeWine) {
        EXPECT_EQ(scm.countedButUnwritten, n == 400 ? 1 : 0);
      }
      ASSERT_EQ(rows.size(), static_cast<size_t>(n));
      EXPECT_EQ(CountByName(rows).size(), static_cast<size_t>(n));
      for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].name, scm.services[i].name);
      EXPECT_EQ(scm.OpenHandles(), 0u);
    }
}

TEST(Catalogue, RowsCarryStateStartTypeAndPathOrEmptyCellsWhenUnreadable) {
  FakeScm scm;
  scm.Add("auto", SERVICE_RUNNING, SERVICE_AUTO_START, "C:\\a.exe");
  scm.Add("manual", SERVICE_STOPPED, SERVICE_DEMAND_START, "C:\\m.exe");
  scm.Add("disabled", SERVICE_PAUSED, SERVICE_DISABLED, "C:\\d.exe");
  scm.Add("boot", SERVICE_START_PENDING, SERVICE_BOOT_START, "C:\\b.sys");
  scm.Add("system", SERVICE_STOP_PENDING, SERVICE_SYSTEM_START, "C:\\s.sys");
  scm.Add("odd", SERVICE_CONTINUE_PENDING, 99, "C:\\o.exe");
  scm.Add("closed", SERVICE_RUNNING, SERVICE_AUTO_START, "C:\\c.exe").grantedAccess = 0;
  scm.Add("guarded", SERVICE_RUNNING, SERVICE_AUTO_START, "C:\\g.exe").grantedAccess =
      SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS;
  scm.Add("secret", SERVICE_STOPPED, SERVICE_AUTO_START, "C:\\s.exe").queryFails = true;
  std::string longPath = "C:\\" + std::string(5000, 'p') + ".exe";
  scm.Add("long", SERVICE_RUNNING, SERVICE_DEMAND_START, longPath);

  MessageBoxWatcher boxes;
  auto rows = List();
  ASSERT_EQ(rows.size(), 10u);
  struct Expected {
    const char* state;
    const char* startType;
    std::string path;
  };
  const Expected expected[] = {
      {kListStarted, kListAutomatic, "C:\\a.exe"},
      {kListStopped, kListManual, "C:\\m.exe"},
      {kListStarted, kListDisabled, "C:\\d.exe"},
      {kListStarted, "", "C:\\b.sys"},
      {kListStarted, "", "C:\\s.sys"},
      {kListStarted, "", "C:\\o.exe"},
      {kListStarted, "", ""},
      {kListStarted, kListAutomatic, "C:\\g.exe"},
      {kListStopped, "", ""},
      {kListStarted, kListManual, longPath},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].name);
    EXPECT_EQ(rows[i].name, scm.services[i].name);
    EXPECT_EQ(rows[i].displayName, scm.services[i].displayName);
    EXPECT_EQ(rows[i].runState, expected[i].state);
    EXPECT_EQ(rows[i].startType, expected[i].startType);
    EXPECT_EQ(rows[i].path, expected[i].path);
  }
  EXPECT_TRUE(boxes.Take().empty());
  EXPECT_EQ(scm.OpenHandles(), 0u);
}
