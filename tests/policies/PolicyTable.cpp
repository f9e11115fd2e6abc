// Prints the table of policy values the program reads, one value a line:
//   <name> TAB <dword|text|list|marks> TAB <min> TAB <max>
// check-templates.py holds the administrative templates against it.

#include "framework/Text.h"
#include "options/OptionPolicies.h"

#include <cstdio>

int wmain() {
  for (const TPolicyDefinition& Definition : ProgramPolicyDefinitions()) {
    const char* Type = "";
    switch (Definition.Type) {
      case TPolicyType::ptDword: Type = "dword"; break;
      case TPolicyType::ptText: Type = "text"; break;
      case TPolicyType::ptList: Type = "list"; break;
      case TPolicyType::ptMarks: Type = "marks"; break;
    }
    std::printf("%s\t%s\t%u\t%u\n", WideToUtf8(Definition.Name).c_str(), Type, static_cast<unsigned>(Definition.Min),
                static_cast<unsigned>(Definition.Max));
  }
  return 0;
}
