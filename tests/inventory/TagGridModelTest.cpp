#include <gtest/gtest.h>

#include <malloc.h>
#include <QBrush>
#include <QCoreApplication>
#include <QGuiApplication>
#include <chrono>

#include "TagGridModel.h"
#include "TagTable.h"

namespace {

// The model's palette look-up wants an application object; the tests run on "offscreen".
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "taggridmodel_tests";
    static char* argv[] = {name, nullptr};
    app = new QGuiApplication(argc, argv);
  }
  void TearDown() override { delete app; }
  QGuiApplication* app = nullptr;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

struct Change {
  int top, left, bottom, right;
};

// Records every notification the model sends.
class Recorder {
 public:
  explicit Recorder(TagGridModel& model) {
    QObject::connect(&model, &QAbstractItemModel::dataChanged,
                     [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                       dataChanged.push_back({topLeft.row(), topLeft.column(), bottomRight.row(),
                                              bottomRight.column()});
                     });
    QObject::connect(&model, &QAbstractItemModel::headerDataChanged,
                     [this](Qt::Orientation orientation, int first, int last) {
                       if (orientation == Qt::Horizontal)
                         headerChanged.push_back({0, first, 0, last});
                     });
    QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                     [this](const QModelIndex&, int first, int last) {
                       rowsInserted.push_back({first, 0, last, 0});
                     });
    QObject::connect(&model, &QAbstractItemModel::rowsRemoved,
                     [this](const QModelIndex&, int first, int last) {
                       rowsRemoved.push_back({first, 0, last, 0});
                     });
    QObject::connect(&model, &QAbstractItemModel::modelReset, [this] { ++resets; });
    QObject::connect(&model, &QAbstractItemModel::layoutChanged, [this] { ++layoutChanges; });
    QObject::connect(&model, &TagGridModel::columnWidthChanged, [this](int col, int width) {
      widths.push_back({col, width});
    });
  }
  int Total() const {
    return static_cast<int>(dataChanged.size() + headerChanged.size() + rowsInserted.size() +
                            rowsRemoved.size()) +
           resets + layoutChanges;
  }

  std::vector<Change> dataChanged;
  std::vector<Change> headerChanged;
  std::vector<Change> rowsInserted;
  std::vector<Change> rowsRemoved;
  std::vector<std::pair<int, int>> widths;
  int resets = 0;
  int layoutChanges = 0;
};

const std::vector<std::string> kHeaders = {"No", "EPC", "Len", "Ant", "Count", "RSSI", "Time"};
const std::vector<int> kWidths = {60, 245, 80, 80, 80, 80, 100};

// What InitGrid does.
void Init(TagGridModel& model) {
  model.SetColCount(7);
  model.SetRowCount(2);
  for (int col = 0; col < 7; ++col) {
    model.SetCell(col, 0, kHeaders[static_cast<std::size_t>(col)]);
    model.SetColWidth(col, kWidths[static_cast<std::size_t>(col)]);
  }
}

QString Display(const TagGridModel& model, int row, int col) {
  return model.data(model.index(row, col), Qt::DisplayRole).toString();
}

TEST(TagGridModelTest, HeaderRowIsTheHorizontalHeader) {
  TagGridModel model;
  Init(model);
  EXPECT_EQ(model.RowCount(), 2);
  EXPECT_EQ(model.rowCount(), 1);
  EXPECT_EQ(model.columnCount(), 7);
  for (int col = 0; col < 7; ++col) {
    EXPECT_EQ(model.headerData(col, Qt::Horizontal, Qt::DisplayRole).toString(),
              QString::fromStdString(kHeaders[static_cast<std::size_t>(col)]));
    EXPECT_EQ(model.Cell(col, 0), kHeaders[static_cast<std::size_t>(col)]);
    EXPECT_EQ(Display(model, 0, col), "");
  }
  EXPECT_FALSE(model.headerData(7, Qt::Horizontal, Qt::DisplayRole).isValid());
}

TEST(TagGridModelTest, HeaderTextIsUtf8) {
  TagGridModel model;
  Init(model);
  Recorder recorder(model);
  model.SetCell(0, 0, "序号");
  EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QString::fromUtf8("序号"));
  ASSERT_EQ(recorder.headerChanged.size(), 1u);
  EXPECT_EQ(recorder.headerChanged[0].left, 0);
  EXPECT_EQ(recorder.headerChanged[0].right, 0);
  EXPECT_TRUE(recorder.dataChanged.empty());
}

TEST(TagGridModelTest, SetRowEmitsOneDataChangedForThatRow) {
  TagGridModel model;
  Init(model);
  model.SetRowCount(4);
  QCoreApplication::processEvents();
  Recorder recorder(model);
  model.SetRow(2, {"2", "E2", "1", "0", "1", "67", "12:00:00:000"});
  ASSERT_EQ(recorder.dataChanged.size(), 1u);
  EXPECT_EQ(recorder.Total(), 1);
  const Change& change = recorder.dataChanged[0];
  EXPECT_EQ(change.top, 1);  // grid row 2 is model row 1
  EXPECT_EQ(change.bottom, 1);
  EXPECT_EQ(change.left, 0);
  EXPECT_EQ(change.right, 6);
  EXPECT_EQ(Display(model, 1, 1), "E2");
  EXPECT_EQ(Display(model, 1, 6), "12:00:00:000");
  EXPECT_EQ(model.Cell(5, 2), "67");
}

TEST(TagGridModelTest, SetRowOnTheHeaderRowChangesTheHeader) {
  TagGridModel model;
  Init(model);
  Recorder recorder(model);
  model.SetRow(0, {"a", "b", "c", "d", "e", "f", "g"});
  EXPECT_EQ(recorder.Total(), 1);
  ASSERT_EQ(recorder.headerChanged.size(), 1u);
  EXPECT_EQ(model.headerData(6, Qt::Horizontal).toString(), "g");
}

TEST(TagGridModelTest, AppendedRowsReachViewsAsOneInsertionPerPass) {
  TagGridModel model;
  Init(model);
  Recorder recorder(model);
  model.SetRowCount(3);
  model.SetRowCount(4);
  model.SetRow(3, {"3", "E3", "1", "0", "1", "67", "t"});
  EXPECT_EQ(model.RowCount(), 4);
  EXPECT_EQ(model.Cell(1, 3), "E3");
  EXPECT_EQ(recorder.Total(), 0);
  EXPECT_EQ(model.rowCount(), 1);
  QCoreApplication::processEvents();
  ASSERT_EQ(recorder.rowsInserted.size(), 1u);
  EXPECT_EQ(recorder.Total(), 1);
  EXPECT_EQ(recorder.rowsInserted[0].top, 1);
  EXPECT_EQ(recorder.rowsInserted[0].bottom, 2);
  EXPECT_EQ(model.rowCount(), 3);
  EXPECT_EQ(Display(model, 2, 1), "E3");
  model.SetRowCount(4);  // unchanged: no notification
  QCoreApplication::processEvents();
  EXPECT_EQ(recorder.Total(), 1);
}

TEST(TagGridModelTest, ProcessingReportsGivesExactNotifications) {
  TagGridModel model;
  Init(model);
  EpcMap epcMap;
  Recorder recorder(model);
  const TimeOfDay now{1, 2, 3, 4};
  ProcessEpcInfo("{\"rssi\": \"-60\"}", "T1", epcMap, model, now);  // row 1 exists already
  EXPECT_EQ(recorder.rowsInserted.size(), 0u);
  EXPECT_EQ(recorder.dataChanged.size(), 1u);
  ProcessEpcInfo("{\"rssi\": \"-60\"}", "T2", epcMap, model, now);
  QCoreApplication::processEvents();
  EXPECT_EQ(recorder.rowsInserted.size(), 1u);
  EXPECT_EQ(recorder.dataChanged.size(), 1u);  // the new row arrives with the insertion
  ProcessEpcInfo("{\"rssi\": \"-61\"}", "T1", epcMap, model, now);
  EXPECT_EQ(recorder.rowsInserted.size(), 1u);
  EXPECT_EQ(recorder.dataChanged.size(), 2u);
  EXPECT_EQ(recorder.dataChanged[1].top, 0);
  EXPECT_EQ(recorder.resets, 0);
  EXPECT_EQ(recorder.layoutChanges, 0);
  EXPECT_EQ(Display(model, 0, 4), "2");
  EXPECT_EQ(Display(model, 0, 5), "66");
  EXPECT_EQ(Display(model, 1, 1), "T2");
}

TEST(TagGridModelTest, ColumnWidthsAreStoredAndAnnounced) {
  TagGridModel model;
  model.SetColCount(7);
  EXPECT_EQ(model.ColWidth(1), TagGridModel::kDefaultColWidth);
  Recorder recorder(model);
  model.SetColWidth(1, 245);
  EXPECT_EQ(model.ColWidth(1), 245);
  ASSERT_EQ(recorder.widths.size(), 1u);
  EXPECT_EQ(recorder.widths[0], std::make_pair(1, 245));
  model.SetColWidth(9, 10);  // no such column
  EXPECT_EQ(recorder.widths.size(), 1u);
}

TEST(TagGridModelTest, ChangingTheColumnCountResetsAndAnnouncesEveryWidth) {
  TagGridModel model;
  Init(model);
  model.SetRow(1, {"1", "E1", "1", "0", "1", "67", "t"});
  Recorder recorder(model);
  model.SetColCount(8);
  EXPECT_EQ(recorder.resets, 1);
  EXPECT_EQ(recorder.widths.size(), 8u);
  EXPECT_EQ(model.ColWidth(1), 245);
  EXPECT_EQ(model.ColWidth(7), TagGridModel::kDefaultColWidth);
  EXPECT_EQ(model.Cell(1, 1), "E1");
  EXPECT_EQ(model.Cell(7, 1), "");
  EXPECT_EQ(model.Cell(1, 0), "EPC");
  model.SetColCount(8);
  EXPECT_EQ(recorder.resets, 1);
}

TEST(TagGridModelTest, ResetClearsAndShrinksWithoutAModelReset) {
  TagGridModel model;
  Init(model);
  EpcMap epcMap;
  for (int i = 0; i < 50; ++i) ProcessEpcInfo("{}", "T" + std::to_string(i), epcMap, model, {});
  ASSERT_EQ(model.RowCount(), 51);
  QCoreApplication::processEvents();
  Recorder recorder(model);

  // btnClearClick: every cell to "", then InitGrid.
  ClearGridCells(model);
  EXPECT_EQ(recorder.dataChanged.size(), 1u);
  EXPECT_EQ(recorder.headerChanged.size(), 1u);
  for (int row = 0; row < model.RowCount(); ++row) {
    for (int col = 0; col < model.ColCount(); ++col) EXPECT_EQ(model.Cell(col, row), "");
  }
  Init(model);
  EXPECT_EQ(recorder.resets, 0);
  ASSERT_EQ(recorder.rowsRemoved.size(), 1u);
  EXPECT_EQ(recorder.rowsRemoved[0].top, 1);
  EXPECT_EQ(recorder.rowsRemoved[0].bottom, 49);
  EXPECT_EQ(model.RowCount(), 2);
  EXPECT_EQ(model.rowCount(), 1);
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "EPC");
}

TEST(TagGridModelTest, NotEditableAndColumnZeroLooksFixed) {
  TagGridModel model;
  Init(model);
  const Qt::ItemFlags flags = model.flags(model.index(0, 1));
  EXPECT_EQ(flags, Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  EXPECT_FALSE(flags.testFlag(Qt::ItemIsEditable));
  EXPECT_TRUE(model.data(model.index(0, 0), Qt::BackgroundRole).canConvert<QBrush>());
  EXPECT_FALSE(model.data(model.index(0, 1), Qt::BackgroundRole).isValid());
  EXPECT_FALSE(model.setData(model.index(0, 1), "x"));
  EXPECT_FALSE(model.data(model.index(5, 0)).isValid());
}

TEST(TagGridModelTest, OutOfRangeWritesAreIgnored) {
  TagGridModel model;
  Init(model);
  Recorder recorder(model);
  model.SetCell(7, 1, "x");
  model.SetCell(0, 2, "x");
  model.SetRow(5, {"x"});
  model.SetRow(-1, {"x"});
  EXPECT_EQ(recorder.Total(), 0);
  EXPECT_EQ(model.Cell(0, 2), "");
  model.SetRow(1, {"a", "b", "c", "d", "e", "f", "g", "extra"});
  EXPECT_EQ(model.Cell(6, 1), "g");
}

TEST(TagGridModelTest, HundredThousandTagsStayCheap) {
  TagGridModel model;
  Init(model);
  EpcMap epcMap;
#if !defined(__SANITIZE_ADDRESS__) && !defined(_WIN32)  // glibc's heap figures
  const std::size_t before = mallinfo2().uordblks;
#endif
  const auto start = std::chrono::steady_clock::now();
  char epc[32];
  for (int i = 0; i < 100000; ++i) {
    std::snprintf(epc, sizeof epc, "E28011606000020D%08X", i);
    ProcessEpcInfo("{\"type\": \"epcinfo\", \"rssi\": \"-60\", \"antid\": \"1\"}", epc, epcMap,
                   model, TimeOfDay{12, 0, 0, 0});
  }
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(model.RowCount(), 100001);
  QCoreApplication::processEvents();
  EXPECT_EQ(model.rowCount(), 100000);
  EXPECT_LT(seconds, 20.0);  // a generous bound for sanitizer builds; ~0.3 s normally
#if !defined(__SANITIZE_ADDRESS__) && !defined(_WIN32)  // glibc's heap figures
  // Grid cells and the table entry together, per tag.
  const double perTag = static_cast<double>(mallinfo2().uordblks - before) / 100000.0;
  EXPECT_LT(perTag, 600.0);
  std::printf("per tag: %.0f bytes (grid and table), %.3f s for 100,000 tags\n", perTag, seconds);
#endif
}

}  // namespace
