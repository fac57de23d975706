/* The rows every new store starts with.

   SYS_COMPANY and SYS_LOCAL_SETTINGS hold exactly one row each.

   The SYS_COMPANY row is a placeholder until the first download of the authority's settings. It is
   written with IS_SYNCING = 'T' so that the synchronisation trigger keeps ID 0 and UPDATE_ID 0:
   - UPDATE_ID 0 is not negative, so the row is not a local change and is never uploaded as one;
   - ID 0 is neither a server id (server ids are positive) nor a local id (negative), so it never
     collides with a downloaded row;
   - a new store has no SYS_SYNC row, so the first download of sys_company is a full reload, which
     deletes this row and inserts the server's row in its place.

   SYS_LOCAL_SETTINGS is local only. INSTALLATION_CODE starts empty (the store is not numbered);
   REFRESH_AFTER_SCOPE_CHANGE starts empty (no login has copied the user's scope yet). */

INSERT INTO SYS_COMPANY (ID, UPDATE_ID, IS_SYNCING, EDITING_COLOR, EDITING_ACTIVE_COLOR, INSERTING_COLOR)
VALUES (0, 0, 'T', 0, 0, 0);

INSERT INTO SYS_LOCAL_SETTINGS (ID, INSTALLATION_CODE, REFRESH_AFTER_SCOPE_CHANGE)
VALUES (1, '', NULL);

INSERT INTO SAMPLE_STATUS (CODE, DESCRIPTION, COLOUR, DISPLAY_SEQUENCE) VALUES ('ENTERED',   'Entered',   16776960, 10);
INSERT INTO SAMPLE_STATUS (CODE, DESCRIPTION, COLOUR, DISPLAY_SEQUENCE) VALUES ('VALIDATED', 'Validated', 65280,    20);
INSERT INTO SAMPLE_STATUS (CODE, DESCRIPTION, COLOUR, DISPLAY_SEQUENCE) VALUES ('IMPORTED',  'Imported',  16753920, 30);
INSERT INTO SAMPLE_STATUS (CODE, DESCRIPTION, COLOUR, DISPLAY_SEQUENCE) VALUES ('EXPORTED',  'Exported',  255,      40);
INSERT INTO SAMPLE_STATUS (CODE, DESCRIPTION, COLOUR, DISPLAY_SEQUENCE) VALUES ('COMPLETE',  'Complete',  32768,    50);
INSERT INTO SAMPLE_STATUS (CODE, DESCRIPTION, COLOUR, DISPLAY_SEQUENCE) VALUES ('CANCELLED', 'Cancelled', 8421504,  60);
INSERT INTO SAMPLE_STATUS (CODE, DESCRIPTION, COLOUR, DISPLAY_SEQUENCE) VALUES ('DELETED',   'Deleted',   16711680, 70);

COMMIT;
