{ A practice program's way of taking one X-ray image through Radlyn with RadlynClient.pas.

  Usage: SampleClient RADLYN DATA_FOLDER IMAGE_FOLDER ARCHIVE_FOLDER [LAST_NAME]
  (RADLYN is radlyn.exe, or the radlyn program on Linux; LAST_NAME replaces the patient's.)
  Exit code: 0 the image is archived; 1 Radlyn reported an error; 2 no job ran (no result file);
  3 the client itself could not go on. }
program SampleClient;

{$IFDEF FPC}
  {$MODE DELPHI}
{$ELSE}
  {$APPTYPE CONSOLE}
{$ENDIF}

uses
  SysUtils, RadlynClient;

const
  Archived = 0;
  RadlynError = 1;
  NoJobRan = 2;
  ClientFailed = 3;
  // What the practice program takes from its own records. The program's strings hold UTF-8 on
  // Linux, the ANSI code page or UTF-16 on Windows.
  {$IFDEF MSWINDOWS}
  PatientFirstName = 'J'#$FC'rgen';
  PatientLastName = 'M'#$FC'ller';
  {$ELSE}
  PatientFirstName = 'J'#$C3#$BC'rgen';
  PatientLastName = 'M'#$C3#$BC'ller';
  {$ENDIF}

procedure ShowCommandLine(const Line: string);
begin
  WriteLn('client: ', Line);
end;

function TakeImage: Integer;
var
  Job: TRadlynJob;
  Client: TRadlynClient;
  Outcome: TRadlynResult;
begin
  Job := TRadlynJob.Create;
  Client := TRadlynClient.Create(ParamStr(1), ParamStr(2));
  Outcome := nil;
  try
    Job.ClientName := 'SampleClient';
    Job.TakeType := 'XI';
    Job.Regio := '36';
    Job.Doc := 'Dr. Berger';
    Job.FirstName := PatientFirstName;
    Job.LastName := PatientLastName;
    if ParamCount = 5 then Job.LastName := ParamStr(5);
    Job.PatientID := '4711';
    Job.BirthDate := '19700305';
    // Radlyn writes the image path as folder + name: only an absolute folder gives an absolute
    // image path.
    Job.ImageDataPath := ExcludeTrailingPathDelimiter(ExpandFileName(ParamStr(3)));
    // Radlyn does not create the data folder (it creates a missing image folder itself).
    ForceDirectories(Client.DataFolder);
    ForceDirectories(ExpandFileName(ParamStr(4)));
    // A console program has no window of its own: Radlyn then makes an invisible owner. A VCL
    // program sets Client.OwnerWindow := Handle.
    Client.OnStarting := ShowCommandLine;
    Outcome := Client.Run(Job);
    if not Outcome.JobRan then
    begin
      WriteLn('Radlyn ran no job: no result file. Is another Radlyn still working?');
      WriteLn('Advice: ', Outcome.Advice);
      Result := NoJobRan;
    end
    else if not Outcome.Succeeded then
    begin
      if Outcome.ErrorNr = 0 then
        WriteLn('Radlyn reported success, but the image file ''', Outcome.ImagePath, ''' is missing')
      else
        WriteLn('Radlyn reported error ', Outcome.ErrorNr, ' (', Outcome.ErrorMsg, ')');
      WriteLn('DebugInfo: ', Outcome.DebugInfo);
      WriteLn('Advice (', RadlynErrorClassNames[Outcome.ErrorClass], '): ', Outcome.Advice);
      Result := RadlynError;
    end
    else
    begin
      WriteLn('Image of ', Outcome.FirstName, ' ', Outcome.LastName, ' (', Outcome.PatientID,
        '), tooth ', Outcome.Regio, ' ', Outcome.TakeType, ': ',
        Outcome.ArchiveImage(ExpandFileName(ParamStr(4))));
      Result := Archived;
    end;
  finally
    Outcome.Free;
    Client.Free;
    Job.Free;
  end;
end;

begin
  if (ParamCount < 4) or (ParamCount > 5) then
  begin
    WriteLn('usage: SampleClient RADLYN DATA_FOLDER IMAGE_FOLDER ARCHIVE_FOLDER [LAST_NAME]');
    ExitCode := ClientFailed;
    Exit;
  end;
  try
    ExitCode := TakeImage;
  except
    on E: Exception do
    begin
      WriteLn('client: ', E.Message);
      ExitCode := ClientFailed;
    end;
  end;
end.
