"""The members of Office's object model that the program may name, as
Office's own reference documents them (Word, Excel and PowerPoint VBA and
the Office primary interop assemblies), by application and class, with the
parameter names a call may give by name. The checker holds every name the
program looked up against it, so that a member the stand-ins answer but
Office lacks fails the row instead of passing."""

OFFICE_MEMBERS = {
    "word": {
        "Application": {"Templates": (), "Documents": (), "Visible": (), "Quit": ("SaveChanges", "OriginalFormat",
                                                                                   "RouteDocument"),
                        "Name": (), "NormalTemplate": ()},
        "Templates": {"Count": (), "Item": ("Index",)},
        "Template": {"FullName": (), "Name": (), "Path": ()},
        "Documents": {"Count": (), "Item": ("Index",), "Open": ("FileName",)},
        "Document": {"FullName": (), "Name": (), "Close": ("SaveChanges",)},
    },
    "excel": {
        "Application": {"StartupPath": (), "Path": (), "AddIns": ("Index",), "Visible": (), "Quit": (), "Name": (),
                        "Workbooks": ()},
        "AddIns": {"Count": (), "Item": ("Index",), "Add": ("Filename", "CopyFile")},
        "AddIn": {"Name": (), "FullName": (), "Path": (), "Installed": ()},
        "Workbooks": {"Count": ()},
    },
    "powerpoint": {
        "Application": {"AddIns": ("Index",), "CommandBars": ("Index",), "Visible": (), "Quit": (), "Name": (),
                        "Presentations": ()},
        "AddIns": {"Count": (), "Item": ("Index",), "Add": ("FileName",), "Remove": ("Index",)},
        "AddIn": {"Name": (), "FullName": (), "Path": (), "Loaded": (), "Registered": (), "Autoload": ()},
        "Presentations": {"Count": ()},
        "CommandBars": {"Count": (), "Item": ("Index",), "Add": ("Name", "Position", "MenuBar", "Temporary")},
        "CommandBar": {"Name": (), "Delete": (), "Visible": (), "Controls": ("Index",)},
        "CommandBarControls": {"Count": (), "Item": ("Index",),
                               "Add": ("Type", "Id", "Parameter", "Before", "Temporary")},
        "CommandBarControl": {"Delete": ("Temporary",), "Caption": (), "OnAction": (), "FaceId": (),
                              "ShortcutText": (), "BeginGroup": (), "Controls": ("Index",), "Type": ()},
    },
}


def lacking(journal):
    """The names the program looked up that Office lacks, as
    "app Class.Member" or "app Class.Member(Parameter:=)"."""
    out = set()
    for line in journal:
        if line.get("event") != "names":
            continue
        members = OFFICE_MEMBERS.get(line.get("app"), {}).get(line.get("class"), {})
        member, *named = line.get("names", [""])
        where = "%s %s.%s" % (line.get("app"), line.get("class"), member)
        known = {m.lower(): params for m, params in members.items()}
        if member.lower() not in known:
            out.add(where)
            continue
        out |= {"%s(%s:=)" % (where, n) for n in named if n.lower() not in {p.lower() for p in known[member.lower()]}}
    return sorted(out)
