// orva-status-texts: prints the README's list of status texts (Markdown) from the tables the
// panel itself decodes replies with, so that the list cannot drift from the program.
// scripts/status-texts.sh puts it into README.md and checks that README.md is up to date.

#include "commandcatalogue.h"
#include "monitorrendering.h"
#include "panellayout.h"
#include "panelstate.h"
#include "projectormodel.h"
#include "replydecoding.h"
#include "statusreading.h"

#include <algorithm>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace
{

// Quoted inside a code span, so that leading, trailing and doubled spaces stay visible.
std::string shown(std::string_view text)
{
    return "`\"" + std::string(text) + "\"`";
}

// The caption of the button that sends `code`, or nothing when it has none.
std::string buttonCaption(std::string_view code)
{
    const auto commands = commandCatalogue();
    const auto command = std::ranges::find(commands, code, &CatalogueCommand::code);
    if (command == commands.end())
        return {};
    const auto controls = PanelLayout::controls();
    const auto control =
        std::ranges::find(controls, command->controlName, &PanelLayout::Control::name);
    return control == controls.end() ? std::string() : std::string(control->caption);
}

// A table key as the projector sends it: the rendering puts a space before each character.
std::string replyStart(std::string_view key)
{
    std::string reply;
    for (std::size_t i = 1; i < key.size(); i += 2)
        reply += key[i];
    return reply;
}

// How the status line is composed for the kinds that are not a table.
std::string_view composedForm(ReplyKind kind)
{
    switch (kind) {
    case ReplyKind::LampHours:
        return "the first 38 characters of RXD, then `\" Hour Use\"`";
    case ReplyKind::Temperatures:
        return "`\"  S1=\"` RXD characters 1-10 `\" C  ,   S2= \"` characters 15-22 "
               "`\" C , S3=\"` characters 25-34 `\" C\"`";
    case ReplyKind::Verbatim:
        return "RXD as it stands";
    case ReplyKind::Pressure:
        return "the number in the reply converted to hectopascals and `\" hPa\"`; a reply "
               "without a number (NAK, ACK) or a reading beyond -6553 to 6553 leaves STATUS as "
               "it was";
    case ReplyKind::Table:
        break;
    }
    return {};
}

// A reading as --json prints it (its figures in their order; JSON's own order may differ).
std::string readingJson(const StatusReading &reading)
{
    std::ostringstream json;
    json << '{';
    for (const StatusReading::Figure &figure : reading.figures()) {
        json << (&figure == &reading.figures().front() ? "" : ", ") << '"' << figure.name
             << "\": ";
        if (const auto *word = std::get_if<std::string>(&figure.value))
            json << '"' << *word << '"';
        else
            json << std::get<double>(figure.value);
    }
    json << '}';
    return json.str();
}

void printQuery(const StatusQuery &query)
{
    const std::string caption = buttonCaption(query.code);
    std::cout << "### \"" << query.code << "\" ("
              << (caption.empty() ? std::string("no button: type it in the command box")
                                  : "button " + caption)
              << ")\n\n";

    if (query.kind == ReplyKind::Table) {
        std::cout << "| reply begins | STATUS shows | `--json`'s reading `" << query.figure
                  << "` |\n|---|---|---|\n";
        for (const StatusRow &row : query.rows)
            std::cout << "| \"" << replyStart(row.key) << "\" | " << shown(row.text) << " | `\""
                      << row.word << "\"` |\n";
        std::cout << "\nAny other reply leaves STATUS as it was.\n";
    } else {
        std::cout << "STATUS shows " << composedForm(query.kind) << ".\n";
    }

    // What the simulated projector answers at switch-on, decoded as the panel decodes it.
    PanelState state;
    state.lastCommand = frameCommand(state, query.code);
    ProjectorModel projector;
    const std::string reply = projector.answer(query.code, ProjectorModel::Milliseconds{0});
    const std::string rendered = renderForMonitor(reply);
    const DecodedReply decoded = decodeReply(state, rendered);
    std::cout << "The simulated projector in standby answers " << shown(rendered)
              << " (RXD), and STATUS shows " << shown(decoded.status.value_or(""))
              << "; `--json` gives `\"reading\": "
              << readingJson(StatusReading::read(state, state.lastCommand, reply)) << "`.\n";
}

} // namespace

int main()
{
    // The queries with a button first, in the order of the panel's catalogue.
    std::vector<StatusQuery> queries(statusQueries().begin(), statusQueries().end());
    std::ranges::stable_sort(queries, {}, [](const StatusQuery &query) {
        const auto commands = commandCatalogue();
        return std::ranges::find(commands, query.code, &CatalogueCommand::code) - commands.begin();
    });
    for (const StatusQuery &query : queries) {
        if (&query != &queries.front())
            std::cout << '\n';
        printQuery(query);
    }
}
