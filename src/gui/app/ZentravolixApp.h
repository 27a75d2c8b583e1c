#pragma once
// The application object: start-up, the about box, and the last stop of
// command routing.

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CMainFrame;
class CZentravolixDoc;

class CZentravolixApp : public QObject {
  Q_OBJECT
 public:
  CZentravolixApp();
  ~CZentravolixApp() override;

  // The one application object, or nullptr.
  static CZentravolixApp* Instance();

  // Builds the main window and shows it; a list file named on the command
  // line is opened into it. False (a file that cannot be opened) ends the
  // program.
  // arguments: the command line as the system gave it (argv's bytes; a path
  // is never decoded).
  bool InitInstance(const std::vector<std::string>& arguments);
  bool InitInstance(const QStringList& arguments);

  CMainFrame* MainFrame() const;

  bool OnCmdMsg(int id);
  std::optional<bool> OnUpdateCmdUI(int id) const;
  void OnAppAbout();
  void OnAppExit();

 private:
  QPointer<CMainFrame> m_pMainWnd;
  std::unique_ptr<CZentravolixDoc> m_pDoc;
};

// Registers the icons and tool-bar images linked into the library.
void InitZentravolixResources();
