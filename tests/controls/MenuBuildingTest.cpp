// Building menus: the insertion operations of the menu model, and menus made from folders of files
// (sorted, filtered by extension, empty folders pruned, symbolic-link loops not followed).
#include "controls/IDirBrowseControlBase.h"
#include "tests/controls/ControlsTestSupport.h"
#include "tests/support/TestPaths.h"

#include <filesystem>
#include <fstream>

using namespace iplugin::igraphics;
namespace fs = std::filesystem;

namespace
{
// The menu as text: items separated by ", ", a sub-menu's items in brackets after its text.
std::string Describe(const IPopupMenu& menu)
{
  std::string out;
  for (int i = 0; i < menu.NItems(); ++i)
  {
    const IPopupMenu::Item* item = menu.GetItem(i);
    if (i) out += ", ";
    out += item->GetText();
    if (item->GetSubmenu()) out += " [" + Describe(*item->GetSubmenu()) + "]";
  }
  return out;
}

TEST(MenuInsertionTest, SortedInsertionIgnoresCaseAndPutsTheNewerInFront)
{
  IPopupMenu menu;
  for (const char* text : {"beta", "Alpha", "delta", "alpha", "", "Beta2", "gamma"})
    menu.AddItem(text, new IPopupMenu(), -2);
  EXPECT_EQ(Describe(menu), " [], alpha [], Alpha [], beta [], Beta2 [], delta [], gamma []");
}

TEST(MenuInsertionTest, AnIndexInsertsThereAppendsPastTheEndAndANegativeOneGoesFirst)
{
  IPopupMenu menu("", 0, false, {"a", "b", "c"});
  menu.AddItem(new IPopupMenu::Item("end"), 7);
  menu.AddItem(new IPopupMenu::Item("front"), -5);
  menu.AddItem(new IPopupMenu::Item("last"), -1);
  menu.AddItem(new IPopupMenu::Item("second"), 1);
  menu.AddItem("third", 2, new IPopupMenu());
  EXPECT_EQ(Describe(menu), "front, second, third [], a, b, c, end, last");
  EXPECT_EQ(menu.GetItem(2)->GetTag(), -1);
  EXPECT_EQ(menu.GetItem(2)->GetFlags(), 0);
  menu.RemoveItem(2);
  menu.RemoveItem(99);
  EXPECT_EQ(Describe(menu), "front, second, a, b, c, end, last");
}

TEST(MenuInsertionTest, ASubMenuReportsToItsParentsCompletion)
{
  int calls = 0;
  IPopupMenu menu;
  menu.SetFunction([&](IPopupMenu*) { ++calls; });
  IPopupMenu* sub = new IPopupMenu();
  menu.AddItem("sub", sub);
  sub->ExecFunction();
  EXPECT_EQ(calls, 1);
  // Without a completion function of its own, the parent gives none.
  IPopupMenu plain;
  IPopupMenu* other = new IPopupMenu();
  other->SetFunction([&](IPopupMenu*) { calls += 10; });
  plain.AddItem("other", other);
  other->ExecFunction();
  EXPECT_EQ(calls, 11);
}

class Browser : public IDirBrowseControlBase
{
public:
  using IDirBrowseControlBase::IDirBrowseControlBase;
  void Draw(IGraphics& g) override {}
};

class DirBrowseTest : public ::testing::Test
{
protected:
  DirBrowseTest()
      : root(qorvtest::ScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name()))
  {
  }

  void File(const std::string& relative)
  {
    fs::create_directories(fs::path(root + "/" + relative).parent_path());
    std::ofstream(root + "/" + relative) << "x";
  }
  std::string root;
};

TEST_F(DirBrowseTest, OneFolderFillsTheTopLevelSortedAndFiltered)
{
  for (const char* f : {"b.txt", "A.txt", "notes.txt", "txt", "a.txt.bak", ".hidden.txt", "c.TXT",
                        "Sub/z.txt", "Sub/y.txt", "empty/deeper/none.bin", "Empty2/.only.txt"})
    File(f);
  Browser browser(IRECT(), ".txt");
  browser.AddPath((root + "/").c_str(), "ignored");
  browser.SetupMenu();
  EXPECT_EQ(Describe(browser.GetMainMenu()), "A, b, notes, Sub [y, z]");
  ASSERT_EQ(browser.NItems(), 5);
  // Tags index the paths; the file items run depth first in menu order.
  std::vector<std::string> paths;
  for (int i = 0; i < browser.NItems(); ++i)
    paths.push_back(browser.GetFilePath(browser.GetFileItem(i)->GetTag()));
  const std::vector<std::string> expected{root + "/A.txt", root + "/b.txt", root + "/notes.txt",
                                          root + "/Sub/y.txt", root + "/Sub/z.txt"};
  EXPECT_EQ(paths, expected);
  EXPECT_EQ(browser.NFilePaths(), 5);
  EXPECT_EQ(browser.GetFilePath(5), nullptr);

  // Shown extensions, and an extension without its dot keeps the dot in the text.
  Browser shown(IRECT(), ".txt", true);
  shown.AddPath(root.c_str(), "");
  shown.SetupMenu();
  EXPECT_EQ(Describe(shown.GetMainMenu()), "A.txt, b.txt, notes.txt, Sub [y.txt, z.txt]");
  Browser bare(IRECT(), "txt");
  bare.AddPath(root.c_str(), "");
  bare.SetupMenu();
  EXPECT_EQ(Describe(bare.GetMainMenu()), "A., b., notes., Sub [y., z.]");

  // Empty folders stay when asked to.
  Browser all(IRECT(), ".txt", false, true);
  all.AddPath(root.c_str(), "");
  all.SetupMenu();
  EXPECT_EQ(Describe(all.GetMainMenu()), "A, b, empty [deeper []], Empty2 [], notes, Sub [y, z]");

  // A rebuild starts over.
  fs::remove(root + "/b.txt");
  browser.SetupMenu();
  EXPECT_EQ(Describe(browser.GetMainMenu()), "A, notes, Sub [y, z]");
  EXPECT_EQ(browser.NItems(), 4);
  EXPECT_EQ(browser.GetSelectedItemIndex(), -1);
}

TEST_F(DirBrowseTest, SeveralFoldersGetOneSubMenuEachInTheOrderAdded)
{
  File("user/b.xml");
  File("user/a.xml");
  File("factory/c.xml");
  Browser browser(IRECT(), ".xml");
  browser.AddPath((root + "/user").c_str(), "User");
  browser.AddPath((root + "/factory").c_str(), "Factory");
  browser.AddPath((root + "/missing").c_str(), "Missing");
  browser.SetupMenu();
  EXPECT_EQ(Describe(browser.GetMainMenu()), "User [a, b], Factory [c], Missing []");
  // Tags number the files across folders in scan order.
  ASSERT_EQ(browser.NItems(), 3);
  EXPECT_STREQ(browser.GetFilePath(browser.GetFileItem(2)->GetTag()), (root + "/factory/c.xml").c_str());
  EXPECT_EQ(browser.GetFileItem(2)->GetTag(), 2);
}

TEST_F(DirBrowseTest, ALinkBackToAFolderBeingScannedIsNotFollowed)
{
  File("presets/a.txt");
  File("presets/inner/b.txt");
  File("elsewhere/c.txt");
  fs::create_directory_symlink(root + "/presets", root + "/presets/inner/loop");
  fs::create_directory_symlink(root + "/elsewhere", root + "/presets/linked");
  Browser browser(IRECT(), ".txt");
  browser.AddPath((root + "/presets").c_str(), "");
  browser.SetupMenu();
  // A linked folder outside the scan is listed; links into the folders being scanned end there.
  EXPECT_EQ(Describe(browser.GetMainMenu()), "a, inner [b], linked [c]");
  EXPECT_EQ(browser.NItems(), 3);
}
} // namespace
