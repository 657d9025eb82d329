// A live session: one scene kept in memory across edits and rendered progressively on a
// background thread, for look development (a page, orv-render --watch).
//
// The scene document (the JSON of the file, as edited) is the truth: saves, undo and the
// differences from the file are made from it. An edit that sets one parameter of one entry (the
// common one) is checked by the scene reader's own checks of that parameter and entry and made
// to the document in place, its undo step that one key's old value: its cost does not grow with
// the scene (but for the ray tracer's commit of a moved object). Any other edit is made to a
// copy of the document, which the scene reader checks whole; only a document it accepts is
// brought into the universe, node by node, so that only the nodes that changed (and those they
// feed) are updated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "scene/scene_reader.h"

namespace host {

class Film;         // render/film.h
struct ImageFacts;  // render/image_facts.h

struct LiveOptions {
    /// Plug-ins; the session registers the host's node types, then any `read.registerTypes` adds.
    SceneReadOptions read;
    int threads = -1;        ///< render threads; -1: the scene's option
    int previewDivisor = 0;  ///< first pass at 1/N resolution; 0: chosen so that it is fast
    /// Undo steps kept; older ones are dropped. A step keeps the patch back (what the edit
    /// changed), so the history holds at most this many edits' worth of the document.
    size_t undoLimit = 100;
    /// The film's channels beside the beauty (as --aov takes them); unset: the scene's "aovs".
    std::optional<std::string> aovs;
};

struct PassInfo {
    uint64_t generation = 0;    ///< bumps with every applied edit, undo, redo or reload
    int pass = 0;               ///< 1-based, within this generation's refinement
    int passes = 0;             ///< in this refinement
    int samples = 0;            ///< camera samples per pixel the image holds
    int width = 0, height = 0;  ///< this image's size (smaller in a preview pass)
    double seconds = 0;         ///< since the refinement started (the edit)
    bool final = false;         ///< the refinement is complete: the image equals a batch render
};

struct EditResult {
    bool ok = false;
    std::string message;      ///< when refused: the scene reader's own located message(s)
    uint64_t generation = 0;  ///< the generation now showing
};

class LiveSession {
  public:
    /// Reads the scene (throws SceneError / HostError as SceneRender does); does not render yet.
    explicit LiveSession(const std::string& scenePath, const LiveOptions& options = {});
    ~LiveSession();  ///< stops the render thread, finishes the nodes
    LiveSession(const LiveSession&) = delete;
    LiveSession& operator=(const LiveSession&) = delete;

    /// Starts the background refinement loop. `onPass` is called (on the session's render
    /// thread, without the session lock) after every finished pass, with that pass's info.
    void start(std::function<void(const PassInfo&)> onPass = {});

    /// Edits are JSON records; a value is written exactly as in a scene file:
    ///   {"op":"set",    "node":N, "param":P, "value":V}   V: literal, node name, or {"link":M}
    ///   {"op":"unlink", "node":N, "param":P}                back to the value it had, or default
    ///   {"op":"add",    "section":"nodes"|"objects"|"lights", "entity":{...as in a file...}}
    ///   {"op":"remove", "node":N}                           node, object or light, by name
    /// N may name the camera ("camera" section; its name as read) or "options".
    /// Each applied edit is one undo step; a refused one changes nothing, and one that leaves
    /// the document as it was is accepted without a step or a new generation. The diagnostics sink
    /// is cleared with each edit tried, and then holds what the scene now showing warns of.
    EditResult apply(const nlohmann::json& edit);
    /// The whole scene replaced by `document` (orv-render --watch): the session diffs it
    /// against the current document and applies the differences as edits, as one undo step.
    /// A document the reader refuses changes nothing.
    EditResult replaceDocument(const nlohmann::ordered_json& document);
    EditResult undo();
    EditResult redo();
    size_t undoSteps() const;
    size_t redoSteps() const;

    /// Writes the document atomically (through the image write path: a temporary beside it,
    /// then a rename), to the scene's own file when `path` is empty. Throws HostError; a
    /// failure leaves the old file whole. Saved as another file, the session goes on with that
    /// one (path(), differences(), the next save()); in another folder, the document's relative
    /// paths ("plugins", file parameters) are rewritten to name the same files from there, in
    /// the undo history too, so the saved file renders the same picture.
    void save(const std::string& path = {});

    /// The scene as it would be saved.
    nlohmann::ordered_json document() const;
    /// For the page: {"nodes":[{"name","type","section":"options"|"camera"|"objects"|
    ///   "lights"|"nodes","params":[{"name","type":"float"|"rgb"|...,"value","link":name|null,
    ///   "min","max","values":[{"value","meaning"}],"otherwise","help","oncePerUpdate"}]}]}
    nlohmann::json describe() const;
    /// What differs from the file on disk: {"changed":bool, "entries":[{"section","name",
    ///   "param"(optional),"disk":V|null,"session":V|null}]}; with "disk": the reason, when
    ///   the file cannot be read as JSON (every entry then differs).
    nlohmann::json differences() const;

    /// The newest finished pass's film: false when none is finished yet. `channel` is
    /// "beauty" or one of channels(); the pixels are tone-mapped with `exposure` (stops) and
    /// encoded as PNG (sRGB, 8-bit RGB as orv-render writes one), the size of the pass (the page
    /// scales it).
    bool latestPng(const std::string& channel, float exposure, std::string* png,
                   PassInfo* info) const;
    /// "beauty" first, then the film's channel groups ("key", "unlit", "albedo", "N", "Z",
    /// "id"...).
    std::vector<std::string> channels() const;
    PassInfo latestPass() const;
    /// The newest finished pass's film itself (null when none is finished yet), which stays as
    /// it is while later passes render: for writing it out, as orv-render --watch does, with
    /// `facts` as a batch render's image carries (its time: since the refinement started).
    std::shared_ptr<const Film> latestFilm(PassInfo* info = nullptr,
                                           ImageFacts* facts = nullptr) const;

    /// The explanation of pixel (x, y) of the full frame, its first camera sample: the same tree
    /// orv-shade --pixel prints (host/render/pixel_explain.h). Throws HostError outside the frame.
    nlohmann::ordered_json explainPixel(int x, int y);
    /// The frame's size.
    int width() const;
    int height() const;
    /// The scene's file: the one it was opened from, or the last one it was saved as.
    std::string path() const;

    /// The calling thread's CPU time the newest edit that rebuilt geometry spent on it (the
    /// ray tracer's scene commit, which spans every object): to tell it from the session's own.
    double lastGeometrySeconds() const;

    /// Blocks until the newest refinement is final (or `seconds` pass); true when it is.
    bool waitFinal(double seconds) const;

    struct State;  ///< live_session.cpp

  private:
    std::unique_ptr<State> state_;
};

}  // namespace host
