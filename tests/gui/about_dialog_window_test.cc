// The information dialog as a window of this process: its title and the texts GTK shows,
// the version among them. This test program carries the project's product version (the build
// stamps it like bin/radlyn), so the dialog must show the same major.minor.third as radlyn.
#ifdef RADLYN_HAVE_GTK
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "gui/desktop_session.h"
#include "platform/ui.h"

namespace radlyn::gui {
namespace {

using testing::Contains;

struct SeenDialog {
  std::string title;
  std::vector<std::string> texts;
  int attempts = 0;
};

void CollectLabels(GtkWidget* widget, gpointer data) {
  auto* seen = static_cast<SeenDialog*>(data);
  if (GTK_IS_LABEL(widget)) seen->texts.emplace_back(gtk_label_get_text(GTK_LABEL(widget)));
  if (GTK_IS_CONTAINER(widget)) gtk_container_forall(GTK_CONTAINER(widget), CollectLabels, data);
}

// Runs inside the dialog's modal loop: reads the shown dialog, then closes it as the close box
// would. Gives up after about ten seconds so a missing window fails the test instead of hanging.
gboolean InspectAndClose(gpointer data) {
  auto* seen = static_cast<SeenDialog*>(data);
  GList* toplevels = gtk_window_list_toplevels();
  GtkWindow* found = nullptr;
  for (GList* item = toplevels; item != nullptr; item = item->next) {
    GtkWindow* window = GTK_WINDOW(item->data);
    if (gtk_widget_get_visible(GTK_WIDGET(window)) && gtk_window_get_title(window) != nullptr &&
        std::string(gtk_window_get_title(window)) == "Tebro") {
      found = window;
    }
  }
  g_list_free(toplevels);
  if (found == nullptr) return ++seen->attempts < 100 ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
  seen->title = gtk_window_get_title(found);
  CollectLabels(GTK_WIDGET(found), seen);
  gtk_window_close(found);
  return G_SOURCE_REMOVE;
}

TEST(AboutDialogWindowTest, ShowsTheTitleAndTheProgramVersion) {
  SKIP_WITHOUT_DESKTOP();
  if (!platform::GetUserInterface().IsWindow(static_cast<platform::WindowHandle>(RootWindow()))) {
    GTEST_SKIP() << "built without GTK: headless interface";
  }
  SeenDialog seen;
  g_timeout_add(100, InspectAndClose, &seen);
  CAboutDialog dialog;
  dialog.DoModal();

  EXPECT_EQ(seen.title, "Tebro");
  EXPECT_THAT(seen.texts, Contains("Version:"));
  EXPECT_THAT(seen.texts, Contains("1.0.0"));
  EXPECT_THAT(seen.texts, Contains("Refer to RADLYN reference for integration details"));
}

}  // namespace
}  // namespace radlyn::gui
#endif  // RADLYN_HAVE_GTK
