#include "numerics/expression_lists.h"

#include <unordered_map>

#include "platform/exception.h"
#include "platform/message_sink.h"
#include "platform/strings.h"

namespace zentrova {

namespace {
std::string WithoutBackquotes(const std::string& text) {
  return ReplaceAll(text, "`", "");
}
}  // namespace

TVariable::TVariable(std::string name, long double* address)
    : name_(std::move(name)), parser_name_(WithoutBackquotes(name_)), address_(address) {}

bool TVariableList::AddVariable(const std::string& name, long double* address) {
  items_.push_back(std::make_unique<TVariable>(name, address));
  return true;
}

void TExpressionParserList::Alert() const {
  if (alert_sink_) {
    alert_sink_(kAlertText);
  } else {
    ShowMessage(kAlertText);
  }
}

bool TExpressionParserList::AddParser(const TVariableList& variables, const std::string& text) {
  return Compile(text, [&](TExpressionParser& parser) {
    if (variables.Count() == 0) {
      throw ERangeError("Range check error in TExpressionParserList.AddParser: the variable list is empty");
    }
    // Two keys that lose their difference on the way to the parser would bind one name to two values.
    std::unordered_map<std::string, const TVariable*> by_parser_name;
    for (int i = 0; i < variables.Count(); ++i) {
      const TVariable& v = variables.At(i);
      auto [it, inserted] = by_parser_name.emplace(LowerCase(v.ParserName()), &v);
      if (!inserted) {
        if (it->second->Name() != v.Name() && it->second->Address() != v.Address()) {
          throw EParserException("Error in math expression: the variables " + it->second->Name() + " and " +
                                 v.Name() + " are both named " + it->first + " in expressions");
        }
        it->second = &v;  // the same key again: the later address wins
      }
      parser.DefineVariable(v.ParserName(), v.Address());
    }
  });
}

bool TExpressionParserList::AddParser(const std::vector<const TVariable*>& variables,
                                      const std::string& text) {
  return Compile(text, [&](TExpressionParser& parser) {
    for (const TVariable* v : variables) parser.DefineVariable(v->ParserName(), v->Address());
  });
}

bool TExpressionParserList::Compile(const std::string& text,
                                    const std::function<void(TExpressionParser&)>& define) {
  try {
    auto parser = std::make_unique<TExpressionParser>();
    define(*parser);
    parser->AddExpression(LowerCase(WithoutBackquotes(text)));
    parsers_.push_back(std::move(parser));
    return true;
  } catch (...) {
    Alert();
    throw;
  }
}

}  // namespace zentrova
