' The edit server from VBScript, created by its ProgID: reads on the sample installation, an
' edited army written, read back through a new object and deleted, and the numbers, sources and
' descriptions of failures as Err shows them. Prints "COM VBScript: passed" and quits with 0 when
' every check holds, else names each failed check and quits with 1 (cscript itself ends a script
' that stops on a run-time error with 0 and says nothing: the marker tells the two apart).
'
' Usage: cscript //nologo com_server_test.vbs installed INSTALL-FOLDER
'        cscript //nologo com_server_test.vbs missing
Option Explicit

Dim failures
failures = 0

Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

' The row of the army with this short name, or -1.
Function ArmyRow(data, shortName)
    Dim row
    ArmyRow = -1
    For row = 0 To UBound(data, 1)
        If data(row, 3) = shortName Then ArmyRow = row
    Next
End Function

Sub CheckError(number, source, description, what)
    Check Err.Number = number, what & ": Err.Number is " & Err.Number & ", not " & number
    Check Err.Source = source, what & ": Err.Source is """ & Err.Source & """, not """ & source & """"
    If description <> "" Then
        Check Err.Description = description, what & ": Err.Description is """ & Err.Description & """"
    End If
    Err.Clear
End Sub

Sub TestInstalled(folder)
    Dim server, armies, kind, data, row, names, army(27), column, reread, after, x

    Set server = CreateObject("B3EdtSvr.CEditObject")
    armies = server.NumEditObjects(1)
    Check armies > 0, "NumEditObjects(1) is " & armies
    ' A variable arrives by reference to a VARIANT; a text is converted.
    kind = 1
    Check server.NumEditObjects(kind) = armies, "NumEditObjects with a variable"
    Check server.NumEditObjects("1") = armies, "NumEditObjects with a text"
    Check server.NumEditObjects(5) = 0, "NumEditObjects(5) is not 0"
    Check server.InstallPath = folder, "InstallPath is not the registered folder"
    Check server.ArmyPath = folder & "\Army", "ArmyPath is " & server.ArmyPath
    Check server.PicsPath = folder & "\EDPICTS", "PicsPath is " & server.PicsPath

    data = server.GetEditObjectData(kind)
    Check LBound(data, 1) = 0 And UBound(data, 1) = armies - 1, "rows 0 to " & UBound(data, 1)
    Check LBound(data, 2) = 0 And UBound(data, 2) = 27, "columns 0 to " & UBound(data, 2)
    row = ArmyRow(data, "KNIGHTS")
    Check row >= 0, "no KNIGHTS in the army data"
    If row < 0 Then Exit Sub
    Check data(row, 0) = row, "column 0 is not the row"
    Check data(row, 1) = "Knights", "the name of KNIGHTS is " & data(row, 1)
    Check TypeName(data(row, 0)) = "Long", "column 0 is a " & TypeName(data(row, 0))
    Check TypeName(data(row, 5)) = "Byte", "column 5 is a " & TypeName(data(row, 5))
    Check TypeName(data(row, 22)) = "Integer", "column 22 is a " & TypeName(data(row, 22))

    Check server.ConvertPowerTypeToName(0) = "None", "power type 0"
    Check server.ConvertFacingToName(7) = "Northwest", "facing 7"
    names = server.ConvertArmyShortName("knights")
    Check UBound(names) = 3, "ConvertArmyShortName gives " & UBound(names) + 1 & " cells"
    Check names(1) = "Knights", "ConvertArmyShortName names " & names(1)
    Check server.ShortNameFromPath(server.SpellPath & "\FIREBALL.SPL", 4) = "FIREBALL", _
          "ShortNameFromPath"

    ' An edited army under a new name, with a name outside ASCII.
    For column = 0 To 27
        army(column) = data(row, column)
    Next
    army(1) = "Lance " & Chr(233)
    army(3) = "COMTEST"
    army(5) = 9
    server.WriteObject army, kind
    server.CopyPictureTemplate 0, "COMTEST"
    Check server.NumEditObjects(1) = armies, "the first object's count changed"

    Set reread = CreateObject("B3EdtSvr.CEditObject")
    Check reread.NumEditObjects(1) = armies + 1, "a new object reads " & reread.NumEditObjects(1) & " armies"
    data = reread.GetEditObjectData(1)
    row = ArmyRow(data, "COMTEST")
    Check row >= 0, "COMTEST is not read back"
    If row >= 0 Then
        Check data(row, 5) = 9, "COMTEST's strength is " & data(row, 5)
        Check data(row, 1) = "Lance " & Chr(233), "COMTEST's name did not round-trip"
    End If
    reread.Delete kind, "COMTEST"
    Set after = CreateObject("B3EdtSvr.CEditObject")
    Check after.NumEditObjects(1) = armies, "after Delete " & after.NumEditObjects(1) & " armies"

    ' Failures: the platform's numbers, the server's own, and the sources of both.
    On Error Resume Next
    x = server.GetEditObjectData(7)
    CheckError 9, "CEditObject::GetEditObjectData", "Subscript out of range", "GetEditObjectData(7)"
    x = server.NumEditObjects(6)
    CheckError 9, "B3EdtSvr", "Subscript out of range", "NumEditObjects(6)"
    x = server.NumEditObjects("many")
    CheckError 13, "B3EdtSvr", "Type mismatch", "NumEditObjects(""many"")"
    x = server.ConvertFacingToName(8)
    CheckError -2147219986, "CEditObject::ConvertFacingToName", "Error converting facing to name.", _
               "ConvertFacingToName(8)"
    server.WriteObject "not an array", 1
    CheckError 13, "CEditObject::WriteObject", "Type mismatch", "WriteObject of a text"
    server.PrintReport folder & "\No such folder\armies.csv", kind
    CheckError 76, "CEditObject::PrintReport", "Path not found", "PrintReport into a missing folder"
    server.Delete kind, "A:B"
    CheckError 5, "CEditObject::Delete", "", "Delete of a name Windows cannot hold"
    On Error GoTo 0
End Sub

' Without a registered game: creation fails with "installation not found". WScript.CreateObject
' passes the server's error info on; VBScript's own CreateObject reports any failed creation as
' error 429.
Sub TestMissing()
    Dim server
    On Error Resume Next
    Set server = WScript.CreateObject("B3EdtSvr.CEditObject")
    CheckError -2147219992, "CEditObject::FindInstallPath", "", "creation without an installation"
    Set server = CreateObject("B3EdtSvr.CEditObject")
    Check Err.Number <> 0, "CreateObject succeeded without an installation"
    Err.Clear
    On Error GoTo 0
End Sub

If WScript.Arguments.Item(0) = "installed" Then
    TestInstalled WScript.Arguments.Item(1)
Else
    TestMissing
End If
If failures = 0 Then
    WScript.Echo "COM VBScript: passed"
    WScript.Quit 0
End If
WScript.Echo "COM VBScript: " & failures & " checks failed"
WScript.Quit 1
