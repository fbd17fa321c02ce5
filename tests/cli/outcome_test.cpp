// A run's outcome decides the report: words, result and exit code, never the other way round.
#include <gtest/gtest.h>

#include "cli/run_result.h"
#include "pages/common/message_text.h"

namespace vandok::cli {
namespace {

TEST(RunOutcome, DdrOutcomeToWordsResultAndExitCode) {
  struct Case {
    DdrResult ddr;
    Message message;
    const char* words;
    const char* result;
    int exit_code;
  };
  const Case cases[] = {
      {DdrResult::Pass, Message::DdrSuccess, "DDR Read Write Success!!", "pass", 0},
      {DdrResult::Mismatch, Message::CompareFailed, "ERROR : write read data compare failed!", "fail", 1},
      {DdrResult::LinkFailed, Message::SendHeaderFailed, "ERROR : Send header failed!", "link_error", 2},
      {DdrResult::LinkFailed, Message::TcpFailed, "ERROR : TCP failed more than 64KB!", "link_error", 2},
      {DdrResult::LinkFailed, Message::WriteReceiveFailed, "ERROR : write receive failed!", "link_error", 2},
      {DdrResult::CannotCompare, Message::CannotCompare, "ERROR : Can not compare result!", "link_error", 2},
  };
  for (const Case& c : cases) {
    DdrOutcome outcome;
    outcome.result = c.ddr;
    outcome.message = c.message;
    const RunResult r = ended(kind_of(outcome), outcome.message);
    EXPECT_EQ(last_word(r), c.words);
    EXPECT_STREQ(result_name(r.kind), c.result) << c.words;
    EXPECT_EQ(exit_code(r), c.exit_code) << c.words;
  }
}

TEST(RunOutcome, OtherEndsToWordsResultAndExitCode) {
  FlashOutcome flash;
  flash.result = FlashResult::LinkFailed;
  EXPECT_EQ(exit_code(ended(kind_of(flash), Message::TcpFailed)), kExitLink);
  flash.result = FlashResult::Pass;
  EXPECT_EQ(exit_code(ended(kind_of(flash), Message::ReconfigComplete)), kExitOk);
  EXPECT_EQ(last_word(bad_input(Message::RegisterAddress)), "ERROR : Address!");
  EXPECT_EQ(exit_code(bad_input(std::string("--port needs a value"))), kExitBadInput);
  EXPECT_EQ(exit_code(cancelled(0)), 130);
  EXPECT_EQ(exit_code(cancelled(15)), 143);
  EXPECT_EQ(last_word(cancelled(2)), "Cancelled");
  EXPECT_EQ(last_word(ended(RunKind::LinkError, Message::NoBoard)), "ERROR : Can not find Broad!");
  EXPECT_EQ(message_text(Message::FoundDevice), std::string("SUCCES : Found device!"));
}

}  // namespace
}  // namespace vandok::cli
