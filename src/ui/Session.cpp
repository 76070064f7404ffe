#include "ui/Session.h"

#include "analysis/AnalysisControl.h"
#include "analysis/ResultStore.h"
#include "browse/BrowseHistory.h"
#include "core/Catalog.h"
#include "core/Prompter.h"
#include "core/Settings.h"
#include "core/TypeNames.h"
#include "reading/Drives.h"
#include "reading/ReadRequest.h"
#include "reading/Scanner.h"
#include "ui/ImageList.h"

namespace plomix {

Session::Session(Prompter& prompter)
    : prompter_(prompter),
      settings_(std::make_unique<Settings>()),
      catalog_(std::make_unique<Catalog>()),
      dupStore_(std::make_unique<DupResultStore>(catalog_.get())),
      likeStore_(std::make_unique<LikeResultStore>(catalog_.get())),
      analysis_(std::make_unique<AnalysisControl>(*catalog_, *dupStore_, *likeStore_, *settings_,
                                                  prompter_)),
      drives_(std::make_unique<Drives>(*settings_)),
      scanner_(std::make_unique<Scanner>()),
      readWorkflow_(
          std::make_unique<ReadWorkflow>(*catalog_, *settings_, *drives_, *scanner_, prompter_)),
      history_(std::make_unique<BrowseHistory>()),
      typeNames_(std::make_unique<TypeNames>()),
      images_(std::make_unique<ImageList>()) {}

Session::~Session() = default;

bool Session::CanChangeCatalogue() const {
  return !busy_ && !analysis_->AnyLoading();
}

const QString& BusyRefusalText() {
  static const QString text = QStringLiteral(
      "他の処理（メディアの読込み・検索・解析など）を実行中です。\r\n"
      "終わってからもう一度実行してください。");
  return text;
}

bool Session::RefuseWhileBusy() const {
  if (!busy_) return false;
  prompter_.Message(BusyRefusalText(), PromptIcon::Information, PromptButtons::Ok);
  return true;
}

bool Session::ReadyToChangeCatalogue() {
  if (RefuseWhileBusy()) return false;
  if (analysis_->AnyLoading() && loadWaiter_) loadWaiter_();
  return CanChangeCatalogue();
}

}  // namespace plomix
