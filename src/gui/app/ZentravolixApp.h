#pragma once
// The application object: start-up, the about box, and the last stop of
// command routing.

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>
#include <optional>

class CMainFrame;
class CZentravolixDoc;

class CZentravolixApp : public QObject {
  Q_OBJECT
 public:
  CZentravolixApp();
  ~CZentravolixApp() override;

  // The one application object, or nullptr.
  static CZentravolixApp* Instance();

  // Builds the main window and shows it; a file named on the command line is
  // opened as a document. False ends the program.
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
