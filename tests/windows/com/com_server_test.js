// The edit server from JScript, created by its ProgID: the same reads as the VBScript test, the
// data array through VBArray, the folder text compared whole (full Unicode), and a failure as
// JScript's exception shows it. Prints "COM JScript: passed" and quits with 0 when every check
// holds, else names each failed check and quits with 1.
//
// Usage: cscript //nologo com_server_test.js INSTALL-FOLDER
var failures = 0;

function check(ok, what) {
    if (!ok) {
        WScript.Echo("FAIL: " + what);
        failures++;
    }
}

function run(folder) {
    var server = new ActiveXObject("B3EdtSvr.CEditObject");
    var armies = server.NumEditObjects(1);
    check(armies > 0, "NumEditObjects(1) is " + armies);
    check(server.InstallPath === folder, "InstallPath is not the registered folder");
    check(server.SpellPath === folder + "\\Spell", "SpellPath is " + server.SpellPath);

    var data = new VBArray(server.GetEditObjectData(1));
    check(data.dimensions() === 2, "the army data has " + data.dimensions() + " dimensions");
    check(data.lbound(1) === 0 && data.ubound(1) === armies - 1, "rows to " + data.ubound(1));
    check(data.ubound(2) === 27, "columns to " + data.ubound(2));
    var row = -1;
    for (var r = 0; r <= data.ubound(1); r++) {
        if (data.getItem(r, 3) === "KNIGHTS") row = r;
    }
    check(row >= 0, "no KNIGHTS in the army data");
    if (row >= 0) {
        check(data.getItem(row, 0) === row, "column 0 is not the row");
        check(data.getItem(row, 1) === "Knights", "the name of KNIGHTS is " + data.getItem(row, 1));
        check(data.getItem(row, 5) === 6, "the strength of KNIGHTS is " + data.getItem(row, 5));
    }

    var names = new VBArray(server.ConvertArmyShortName("KNIGHTS")).toArray();
    check(names.length === 4 && names[1] === "Knights", "ConvertArmyShortName gives " + names);
    check(server.ConvertPowerTypeToName("0") === "None", "power type 0 given as text");

    try {
        server.GetEditObjectData(7);
        check(false, "GetEditObjectData(7) did not fail");
    } catch (e) {
        check((e.number >>> 0) === 0x800A0009, "GetEditObjectData(7) fails with " + e.number);
        check(e.description === "Subscript out of range", "its description is " + e.description);
    }
}

run(WScript.Arguments.Item(0));
if (failures === 0) {
    WScript.Echo("COM JScript: passed");
    WScript.Quit(0);
}
WScript.Echo("COM JScript: " + failures + " checks failed");
WScript.Quit(1);
