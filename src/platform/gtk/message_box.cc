#include "platform/gtk/message_box.h"

#include <gtk/gtk.h>

#include <string>

#include "platform/gtk/dialog_window.h"

namespace radlyn::platform {
namespace {

constexpr int kSpacing = 12;

// The desktop theme's error symbol beside the text (GTK's message dialogs no longer show one).
GtkWidget* MessageRow(const std::string& message) {
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, kSpacing);
  gtk_container_set_border_width(GTK_CONTAINER(row), kSpacing);
  GtkWidget* icon = gtk_image_new_from_icon_name("dialog-error", GTK_ICON_SIZE_DIALOG);
  gtk_widget_set_valign(icon, GTK_ALIGN_START);
  gtk_box_pack_start(GTK_BOX(row), icon, FALSE, FALSE, 0);
  GtkWidget* label = gtk_label_new(message.c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  gtk_label_set_max_width_chars(GTK_LABEL(label), 60);
  gtk_box_pack_start(GTK_BOX(row), label, TRUE, TRUE, 0);
  return row;
}

}  // namespace

void ShowErrorBox(std::string_view text, std::string_view caption) {
  const std::string message = ToDisplayText(text);
  const std::string title = ToDisplayText(caption.empty() ? kDefaultErrorCaption : caption);
  GtkWidget* box = gtk_dialog_new_with_buttons(title.c_str(), nullptr, GTK_DIALOG_MODAL, "_OK",
                                               GTK_RESPONSE_OK, nullptr);
  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(box));
  gtk_box_pack_start(GTK_BOX(content), MessageRow(message), TRUE, TRUE, 0);
  gtk_window_set_resizable(GTK_WINDOW(box), FALSE);
  gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
  // Without an owner the box could open behind the client's window while the program waits for
  // it; keeping it above and in the task bar lets the user find it.
  gtk_window_set_keep_above(GTK_WINDOW(box), TRUE);
  gtk_window_set_skip_taskbar_hint(GTK_WINDOW(box), FALSE);
  gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
  gtk_widget_show_all(content);
  gtk_widget_grab_focus(gtk_dialog_get_widget_for_response(GTK_DIALOG(box), GTK_RESPONSE_OK));
  g_object_ref(box);  // kept alive until the end, even if another program destroys the window
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
  g_object_unref(box);
  ProcessPendingEvents();
}

}  // namespace radlyn::platform
